#include "fwup/gui/fwup_tool_dialog.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMetaObject>
#include <QTreeWidget>

#include <utility>

#include "fwup/core/device_list.h"
#include "fwup/core/fwup_texts.h"
#include "fwup/core/single_instance.h"
#include "fwup/gui/about_box.h"
#include "fwup/gui/device_list_view.h"
#include "fwup/gui/file_open.h"
#include "fwup/gui/fwup_templates.h"
#include "gui/message_box.h"
#include "platform/system_info.h"

namespace fwup::gui {

namespace {

using lmx::gui::MessageBoxIcon;

QString text(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

MessageBoxIcon iconOf(ResultIcon icon) {
    return icon == ResultIcon::Information ? MessageBoxIcon::Information : MessageBoxIcon::Warning;
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

CZARKEL_fwupToolDlg::CZARKEL_fwupToolDlg(std::optional<std::string> directPath, QWidget* parent)
    : TemplateDialog(mainDialogTemplate(), parent), directPath_(std::move(directPath)) {
    // A caption with the window menu and a minimise box.
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);
    onCommand(kBrowseButton, [this] { OnBrowse(); });
    onCommand(kUpdateButton, [this] { start_update(); });
    onCommand(kCancelButton, [this] { OnCancelUpdate(); });
    OnInitDialog();
}

CZARKEL_fwupToolDlg::~CZARKEL_fwupToolDlg() {
    cancelRequest_ = true;
    updateThread_.join();
}

void CZARKEL_fwupToolDlg::OnInitDialog() {
    setWindowIcon(toolIcon());
    accessor_ = DriveAccessor::create([this](std::string_view message) { showMessage(message); });
    if (!accessor_) {
        showMessage(kCannotGetBuffer);
        return;
    }
    cancelRequest_ = false;
    control(kCancelButton)->setEnabled(false);
    refresh_device_list();
    controlAs<QLineEdit>(kPathBox)->setMaxLength(kImagePathLimit);
    if (directPath_) {
        setControlText(kPathBox, QString::fromStdString(*directPath_));
        start_update();
    } else {
        setControlText(kPathBox, text(kDefaultImagePath));
    }
}

void CZARKEL_fwupToolDlg::refresh_device_list() {
    auto* list = controlAs<QTreeWidget>(kDeviceList);
    setUpDeviceListColumns(*list);
    accessor_->enumerate_devices(table_);
    fillDeviceList(*list, table_);
    if (deniedAllDrives(table_)) showMessage(kNoRightsToDrives, MessageBoxIcon::Warning);
}

void CZARKEL_fwupToolDlg::showMessage(std::string_view message, MessageBoxIcon icon) {
    lmx::gui::messageBox(this, QString::fromStdString(plainLines(message)), QString::fromStdString(applicationName()),
                         lmx::gui::MessageBoxButtons::Ok, icon);
}

void CZARKEL_fwupToolDlg::showAboutBox() {
    CAboutDlg about(this);
    about.doModal();
}

void CZARKEL_fwupToolDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(text(kAboutMenuItem), this, [this] { showAboutBox(); });
    menu.exec(event->globalPos());
}

void CZARKEL_fwupToolDlg::OnBrowse() {
    FileOpenRequest request;
    request.folder = QString::fromStdString(platform::programFolder());
    request.filter = qtFileFilter(text(kImageFileFilter));
    if (const auto chosen = chooseFileToOpen(this, request)) setControlText(kPathBox, *chosen);
}

void CZARKEL_fwupToolDlg::OnCancelUpdate() {
    control(kCancelButton)->setEnabled(false);
    cancelRequest_ = true;
}

void CZARKEL_fwupToolDlg::restoreIdleState() {
    control(kDeviceList)->setEnabled(true);
    control(kBrowseButton)->setEnabled(true);
    control(kUpdateButton)->setEnabled(true);
    control(kCancelButton)->setEnabled(false);
    setControlText(kProgressText, QString());
}

void CZARKEL_fwupToolDlg::start_update() {
    control(kDeviceList)->setEnabled(false);
    control(kBrowseButton)->setEnabled(false);
    control(kUpdateButton)->setEnabled(false);
    control(kCancelButton)->setEnabled(true);
    imagePath_ = controlText(kPathBox).left(kImagePathLimit).toStdString();

    const auto row = selectedDeviceRow(*controlAs<QTreeWidget>(kDeviceList));
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
    QMetaObject::invokeMethod(this, "showPostedNews", Qt::QueuedConnection);
}

void CZARKEL_fwupToolDlg::showPostedNews() {
    UpdateNews news;
    {
        std::lock_guard lock(newsLock_);
        news = std::exchange(news_, UpdateNews{});
    }
    if (news.progress) {
        setControlText(kProgressText, QString::fromStdString(progressText(news.progress->first, news.progress->second)));
    }
    if (news.lastBlock) control(kCancelButton)->setEnabled(false);
    if (news.result) finishUpdate(*news.result);
}

void CZARKEL_fwupToolDlg::finishUpdate(DownloadResult result) {
    updateThread_.join();
    const ResultMessage message = resultMessage(result);
    showMessage(message.text, iconOf(message.icon));
    restoreIdleState();
    updateRunning_ = false;
    if (closeRequested_) endDialog(2);
}

void CZARKEL_fwupToolDlg::closeEvent(QCloseEvent* event) {
    if (!updateRunning_) {
        TemplateDialog::closeEvent(event);
        return;
    }
    event->ignore();
    closeRequested_ = true;
    OnCancelUpdate();
}

}  // namespace fwup::gui
