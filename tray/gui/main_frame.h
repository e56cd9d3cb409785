#pragma once
// CMyFrame: the tray application's hidden main window. It receives the notifier's, the tray
// menu's, the pop-ups' and the worker thread's messages through its window procedure and turns
// them into the tray core's operations, carrying out what those return (pop-ups, icons,
// message boxes, the information window).

#include <QObject>
#include <array>
#include <filesystem>
#include <memory>
#include <string>

#include "gui/frame_window.h"
#include "gui/template_dialog.h"
#include "tray/core/frame_core.h"
#include "tray/gui/popup_dialog.h"
#include "tray/gui/qt_string_source.h"
#include "tray/gui/sys_tray.h"
#include "tray/core/tray_worker.h"

namespace lmx::tray {

inline constexpr std::uintptr_t kPopupTimerBase = 100;

class MainFrame : public QObject, private WorkerHost {
    Q_OBJECT
public:
    struct Options {
        std::unique_ptr<TrayShell> shell;  // null: the desktop's notification area
        SysTray::Sleeper sleep;            // the tray icon's retry pause; null: a real sleep
        bool startWorker = true;
    };

    explicit MainFrame(Options options);
    ~MainFrame() override;

    // The creation steps: language, tray icon (a refused icon ends the program with message
    // 216), settings, the information windows, the worker thread. False when the program must end.
    bool create();

    std::intptr_t windowProcedure(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    gui::FrameWindow& window() { return *window_; }
    FrameCore& core() { return *core_; }
    const std::filesystem::path& helpFile() const { return helpFile_; }
    bool popupOpen(int slot) const { return popups_[static_cast<std::size_t>(slot)] != nullptr; }
    // The RAID information window's forms: the tree form when DialogSetting is non-zero, else
    // the tab form, decided at each use.
    gui::TemplateDialog* currentForm() const;
    gui::TemplateDialog* tabForm() const { return tabForm_.get(); }
    gui::TemplateDialog* treeForm() const { return treeForm_.get(); }
    int trayIcon() const { return trayIcon_; }

    void showInfoDialog();
    // The help command: opens the help file with the desktop's handler for it. False, with a
    // debug line, when the file is not there (as for an unknown language, whose help path is
    // the bare folder).
    bool openHelp() const;
    void exitApplication();

private:
    // WorkerHost: called on the worker thread.
    bool isServiceProcessRunning() override;
    bool isServiceReady() override;
    void runFirstLoad() override;
    bool dataInitialized() override;
    SlotSummaries slotSummaries() override;
    void setTrayIcon(int iconId) override;
    void hideCurrentForm() override;

    void selectLanguage();
    void applyPopups(const std::vector<PopupCommand>& commands);
    void closePopup(int slot);
    void refreshForms();
    void switchMonitoring(bool start);
    void showTrayIcon(int iconId);

    Options options_;
    StringTableSource texts_;
    std::unique_ptr<gui::FrameWindow> window_;
    std::unique_ptr<SysTray> tray_;
    std::unique_ptr<FrameCore> core_;
    std::unique_ptr<gui::TemplateDialog> tabForm_;
    std::unique_ptr<gui::TemplateDialog> treeForm_;
    std::array<std::unique_ptr<PopupDialog>, 6> popups_{};
    std::unique_ptr<TrayWorker> worker_;
    std::filesystem::path helpFile_;
    std::uint32_t singleInstanceMessage_ = 0;
    int trayIcon_ = 130;
};

}  // namespace lmx::tray
