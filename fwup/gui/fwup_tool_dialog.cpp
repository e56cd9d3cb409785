#include "fwup/gui/fwup_tool_dialog.h"

#include <utility>

#include "fwup/core/device_list.h"
#include "fwup/core/fwup_texts.h"
#include "fwup/core/single_instance.h"
#include "fwup/gui/about_box.h"
#include "fwup/gui/device_list_view.h"
#include "fwup/gui/fwup_templates.h"
#include "gui/file_open_dialog.h"
#include "platform/system_info.h"

namespace fwup::gui {

namespace {

using lmx::gui::MessageBoxIcon;

MessageBoxIcon iconOf(ResultIcon icon) {
    return icon == ResultIcon::Information ? MessageBoxIcon::Information : MessageBoxIcon::Warning;
}

// Characters (not bytes) of a UTF-8 text, for the path box's limit.
std::string firstCharacters(const std::string& utf8, int limit) {
    int count = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && count++ == limit) return utf8.substr(0, i);
    }
    return utf8;
}

// Shows the download's progress through the dialog thread: the update thread only posts.
class DialogProgress final : public DownloadProgress {
public:
    explicit DialogProgress(CZARKEL_fwupToolDlg& dialog) : dialog_(dialog) {}

    void blockStarting(int block, int blocks) override { dialog_.post({std::pair(block, blocks), false, std::nullopt}); }
    void lastBlockStarting() override { dialog_.post({std::nullopt, true, std::nullopt}); }

private:
    CZARKEL_fwupToolDlg& dialog_;
};

}  // namespace

CZARKEL_fwupToolDlg::CZARKEL_fwupToolDlg(std::optional<std::string> directPath)
    : window_(lmx::gui::createDialogWindow(mainDialogTemplate())), directPath_(std::move(directPath)) {
    // A caption with the window menu and a minimise box.
    window_->addMinimizeBox();
    window_->onCommand(kBrowseButton, [this] { OnBrowse(); });
    window_->onCommand(kUpdateButton, [this] { start_update(); });
    window_->onCommand(kCancelButton, [this] { OnCancelUpdate(); });
    window_->onCommand(kAboutMenuCommand, [this] { showAboutBox(); });
    window_->setContextMenu({{kAboutMenuCommand, std::string(kAboutMenuItem)}});
    window_->onClose([this] { return OnClose(); });
    OnInitDialog();
}

CZARKEL_fwupToolDlg::~CZARKEL_fwupToolDlg() {
    cancelRequest_ = true;
    updateThread_.join();
}

void CZARKEL_fwupToolDlg::OnInitDialog() {
    window_->setIcon(kToolIcon);
    accessor_ = DriveAccessor::create([this](std::string_view message) { showMessage(message); });
    if (!accessor_) {
        showMessage(kCannotGetBuffer);
        return;
    }
    cancelRequest_ = false;
    window_->enable(kCancelButton, false);
    refresh_device_list();
    window_->limitText(kPathBox, kImagePathLimit);
    if (directPath_) {
        window_->setText(kPathBox, *directPath_);
        start_update();
    } else {
        window_->setText(kPathBox, kDefaultImagePath);
    }
}

void CZARKEL_fwupToolDlg::refresh_device_list() {
    setUpDeviceListColumns(*window_);
    accessor_->enumerate_devices(table_);
    fillDeviceList(*window_, table_);
    if (deniedAllDrives(table_)) showMessage(kNoRightsToDrives, MessageBoxIcon::Warning);
}

void CZARKEL_fwupToolDlg::showMessage(std::string_view message, MessageBoxIcon icon) {
    lmx::gui::messageBox(window_.get(), plainLines(message), applicationName(), lmx::gui::MessageBoxButtons::Ok, icon);
}

void CZARKEL_fwupToolDlg::showAboutBox() {
    CAboutDlg about(window_.get());
    about.doModal();
}

void CZARKEL_fwupToolDlg::OnBrowse() {
    const lmx::gui::FileOpenRequest request{platform::programFolder(), std::string(kImageFileFilter)};
    if (const auto chosen = lmx::gui::chooseFileToOpen(window_.get(), request)) window_->setText(kPathBox, *chosen);
}

void CZARKEL_fwupToolDlg::OnCancelUpdate() {
    window_->enable(kCancelButton, false);
    cancelRequest_ = true;
}

void CZARKEL_fwupToolDlg::enableControls(bool idle) {
    window_->enable(kDeviceList, idle);
    window_->enable(kBrowseButton, idle);
    window_->enable(kUpdateButton, idle);
    window_->enable(kCancelButton, !idle);
}

void CZARKEL_fwupToolDlg::restoreIdleState() {
    enableControls(true);
    window_->setText(kProgressText, "");
}

void CZARKEL_fwupToolDlg::start_update() {
    enableControls(false);
    imagePath_ = firstCharacters(window_->text(kPathBox), kImagePathLimit);

    const auto row = window_->selectedRow(kDeviceList);
    if (!row) {
        showMessage(kPleaseSelectDevice);
        restoreIdleState();
        return;
    }
    if (!accessor_) {
        showMessage(kCannotGetBuffer);
        restoreIdleState();
        return;
    }
    const int targetDrive = table_.entries[static_cast<std::size_t>(*row)].driveNumber;
    // A cancel left over from an earlier run (one that failed before acting on it) is not this
    // run's.
    cancelRequest_ = false;
    updateRunning_ = true;
    if (!updateThread_.start([this, targetDrive] { runDownload(targetDrive); })) {
        updateRunning_ = false;
        showMessage(kFailedCreateUpdateThread);
        restoreIdleState();
    }
}

void CZARKEL_fwupToolDlg::runDownload(int targetDrive) {
    DialogProgress progress(*this);
    const DownloadResult result = download_firmware(*accessor_, imagePath_, targetDrive, cancelRequest_, progress);
    post({std::nullopt, false, result});
}

void CZARKEL_fwupToolDlg::post(const UpdateNews& news) {
    {
        std::lock_guard lock(newsLock_);
        if (news.progress) news_.progress = news.progress;
        news_.lastBlock = news_.lastBlock || news.lastBlock;
        if (news.result) news_.result = news.result;
    }
    window_->post([this] { showPostedNews(); });
}

void CZARKEL_fwupToolDlg::showPostedNews() {
    UpdateNews news;
    {
        std::lock_guard lock(newsLock_);
        news = std::exchange(news_, UpdateNews{});
    }
    if (news.progress) window_->setText(kProgressText, progressText(news.progress->first, news.progress->second));
    if (news.lastBlock) window_->enable(kCancelButton, false);
    if (news.result) finishUpdate(*news.result);
}

void CZARKEL_fwupToolDlg::finishUpdate(DownloadResult result) {
    updateThread_.join();
    const ResultMessage message = resultMessage(result);
    showMessage(message.text, iconOf(message.icon));
    restoreIdleState();
    updateRunning_ = false;
    if (closeRequested_) window_->endDialog(2);
}

bool CZARKEL_fwupToolDlg::OnClose() {
    if (!updateRunning_) return true;
    closeRequested_ = true;
    OnCancelUpdate();
    return false;
}

}  // namespace fwup::gui
