#pragma once
// CMyFrame: the tray application's hidden main window. It receives the notifier's, the tray
// menu's, the pop-ups' and the worker thread's messages through its window procedure and turns
// them into the tray core's operations, carrying out what those return (pop-ups, icons,
// message boxes, the information window).

#include <array>
#include <filesystem>
#include <memory>
#include <string>

#include "gui/frame_window.h"
#include "tray/core/frame_core.h"
#include "tray/gui/popup_dialog.h"
#include "tray/gui/string_table_source.h"
#include "tray/core/tray_worker.h"
#include "tray/gui/info_window_host.h"
#include "tray/gui/sys_tray.h"
#include "tray/gui/zarkel_info_dialog.h"
#include "tray/gui/zarkel_info_tree_dialog.h"

namespace lmx::tray {

inline constexpr std::uintptr_t kPopupTimerBase = 100;

class MainFrame : private WorkerHost, public InformationWindowHost {
public:
    struct Options {
        std::unique_ptr<TrayShell> shell;  // null: the desktop's notification area
        SysTray::Sleeper sleep;            // the tray icon's retry pause; null: a real sleep
        bool startWorker = true;
    };

    explicit MainFrame(Options options);
    ~MainFrame() override;
    MainFrame(const MainFrame&) = delete;
    MainFrame& operator=(const MainFrame&) = delete;

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
    InformationForm* currentForm() const;
    CZarkelInfoDlg* tabForm() const { return tabForm_.get(); }
    CZarkelInfoNewDlg* treeForm() const { return treeForm_.get(); }
    int trayIcon() const { return trayIcon_; }

    void showInfoDialog() override;
    // The help command: opens the help file with the desktop's handler for it. False, with a
    // debug line, when the file is not there (as for an unknown language, whose help path is
    // the bare folder).
    bool openHelp() override;
    void exitApplication();

    // InformationWindowHost: what the RAID information window's forms read and ask of the frame.
    const PacketTable& keptPackets() const override { return core_->data().keptPackets; }
    FrameSettings& settings() override { return core_->settings(); }
    const LogPages& logPages() const override { return core_->logPages(); }
    int& currentSlot() override { return currentSlot_; }
    const StringSource& texts() const override { return texts_; }
    std::intptr_t sendToFrame(std::uint32_t message, std::uintptr_t wParam = 0) override;
    // Sends UWM_GET_LOG_A (page 0) or UWM_GET_LOG_B (page 1) for the slot, then takes the tab
    // form's word that the page's outcome is in the hand-over area.
    void requestGetLog(int phyNum, int pageNum) override;
    bool serviceRunning() const override;

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
    std::unique_ptr<CZarkelInfoDlg> tabForm_;
    std::unique_ptr<CZarkelInfoNewDlg> treeForm_;
    int currentSlot_ = 0;
    std::array<std::unique_ptr<PopupDialog>, 6> popups_{};
    std::unique_ptr<TrayWorker> worker_;
    std::filesystem::path helpFile_;
    std::uint32_t singleInstanceMessage_ = 0;
    int trayIcon_ = 130;
};

}  // namespace lmx::tray
