#pragma once
// CZARKEL_fwupToolDlg: the firmware tool's main dialog (template 102). It lists the drives
// found at its start, takes the image path from Browse or the command line, and runs one
// download at a time on the update thread, whose progress and enable changes are carried out
// on the dialog thread.

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "fwup/core/device_table.h"
#include "fwup/core/drive_accessor.h"
#include "fwup/core/firmware_download.h"
#include "fwup/gui/update_thread.h"
#include "gui/dialog_window.h"
#include "gui/message_box.h"

namespace fwup::gui {

class CZARKEL_fwupToolDlg {
public:
    // `directPath`, when given, goes into the path box and the update starts at once, before
    // the dialog is shown.
    explicit CZARKEL_fwupToolDlg(std::optional<std::string> directPath = std::nullopt);
    // A download still running is cancelled and waited for.
    ~CZARKEL_fwupToolDlg();
    CZARKEL_fwupToolDlg(const CZARKEL_fwupToolDlg&) = delete;
    CZARKEL_fwupToolDlg& operator=(const CZARKEL_fwupToolDlg&) = delete;

    lmx::gui::DialogWindow& window() { return *window_; }
    int doModal() { return window_->doModal(); }

    // Update: the path box's file to the selected row's drive on the update thread.
    void start_update();
    // True from the start of an update until its result has been shown.
    bool updateRunning() const { return updateRunning_; }
    const DeviceTable& deviceTable() const { return table_; }
    // The window menu's About item.
    void showAboutBox();

    // What the update thread has to show, left for the dialog thread under a lock; the posted
    // call that fetches it carries nothing itself. Newer progress replaces older progress not
    // yet shown.
    struct UpdateNews {
        std::optional<std::pair<int, int>> progress;  // block, blocks
        bool lastBlock = false;
        std::optional<DownloadResult> result;
    };
    // On the update thread: adds to the news and asks the dialog thread to show it.
    void post(const UpdateNews& news);

private:
    void OnInitDialog();
    void refresh_device_list();
    void OnBrowse();
    void OnCancelUpdate();
    // The close box: while a download runs it cancels it as Cancel does, and the dialog ends
    // once the block in flight is done and the result has been shown.
    bool OnClose();
    void enableControls(bool idle);
    void restoreIdleState();
    void showMessage(std::string_view text, lmx::gui::MessageBoxIcon icon = lmx::gui::MessageBoxIcon::None);
    // On the update thread.
    void runDownload(int targetDrive);
    // On the dialog thread, once the update thread is done.
    void finishUpdate(DownloadResult result);
    // On the dialog thread: shows the news posted since the last call.
    void showPostedNews();

    std::unique_ptr<lmx::gui::DialogWindow> window_;

    std::mutex newsLock_;
    UpdateNews news_;

    DeviceTable table_;
    std::unique_ptr<DriveAccessor> accessor_;
    std::string imagePath_;
    std::atomic<bool> cancelRequest_{false};
    std::optional<std::string> directPath_;
    bool updateRunning_ = false;
    bool closeRequested_ = false;
    // Last, so that it is joined before anything it uses goes away.
    UpdateThread updateThread_;
};

}  // namespace fwup::gui
