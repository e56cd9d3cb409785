#include "tray/gui/main_frame.h"

#include <chrono>
#include <thread>

#include "common/tray_messages.h"
#include "gui/message_box.h"
#include "gui/string_table.h"
#include "platform/help_file.h"
#include "platform/system_info.h"
#include "platform/window_directory.h"
#include "tray/core/service_state.h"

namespace lmx::tray {

namespace {

constexpr int kMessageTrayRefused = 216;
constexpr const char* kControlCaption = "LMX Duowatch Service Control";

}  // namespace

MainFrame::MainFrame(Options options) : options_(std::move(options)) {
    window_ = gui::createFrameWindow(tray::kMainWindowTitle,
                                     [this](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
                                         return windowProcedure(message, wParam, lParam);
                                     });
    singleInstanceMessage_ = platform::windows::registerWindowMessage(tray::kSingleInstanceMessageName);
}

MainFrame::~MainFrame() {
    if (worker_) worker_->stop();
    worker_.reset();
}

void MainFrame::selectLanguage() {
    const std::filesystem::path folder = platform::programFolder();
    std::uint32_t language = kLanguageJapanese;
    if (!readServiceSetting(kLanguage, language)) language = kLanguageJapanese;
    if (language == kLanguageJapanese) {
        helpFile_ = folder / "LMXDuowatchHelp_jp.chm";
    } else if (language == kLanguageEnglish) {
        helpFile_ = folder / (gui::useLanguageLibrary() ? "LMXDuowatchHelp_en.chm" : "LMXDuowatchHelp_jp.chm");
    } else {
        helpFile_ = folder;  // no help file for an unknown language
    }
}

bool MainFrame::create() {
    // The frame can be found by its title from the start, as a window is from its creation: a
    // second instance started meanwhile finds it, and what it posts is handled once the
    // creation is done and the message loop runs.
    window_->registerInDirectory();
    selectLanguage();
    tray_ = std::make_unique<SysTray>(
        std::move(options_.shell),
        [this](int command) { window_->sendMessage(gui::kCommandMessage, static_cast<std::uintptr_t>(command), 0); },
        [] { return lmx::tray::isServiceProcessRunning(); });
    const auto sleep = options_.sleep ? options_.sleep : [](int milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    };
    if (tray_->createIcon(130, sleep) != 0) {
        gui::messageBox(nullptr, gui::loadOwnString(kMessageTrayRefused), "", gui::MessageBoxButtons::Ok,
                        gui::MessageBoxIcon::Warning);
        exitApplication();
        return false;
    }
    core_ = std::make_unique<FrameCore>(texts_, loadFrameSettings());
    treeForm_ = std::make_unique<CZarkelInfoNewDlg>(*this);
    tabForm_ = std::make_unique<CZarkelInfoDlg>(*this);
    showTrayIcon(130);
    if (options_.startWorker) {
        worker_ = std::make_unique<TrayWorker>(static_cast<WorkerHost&>(*this));
        worker_->start();
    }
    return true;
}

InformationForm* MainFrame::currentForm() const {
    if (core_ && showsTreeForm(core_->settings().dialog)) return treeForm_.get();
    return tabForm_.get();
}

void MainFrame::showTrayIcon(int iconId) {
    trayIcon_ = iconId;
    if (tray_) tray_->setIcon(iconId);
}

std::intptr_t MainFrame::windowProcedure(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (singleInstanceMessage_ != 0 && message == singleInstanceMessage_) return singleInstanceMessage_;
    if (!core_) return 0;  // still being created, or its creation failed
    const auto drive = static_cast<std::int32_t>(wParam);
    switch (message) {
        case gui::kCommandMessage:
            switch (wParam) {
                case kCommandStartMonitoring: switchMonitoring(true); break;
                case kCommandStopMonitoring: switchMonitoring(false); break;
                case kCommandShowInformation: showInfoDialog(); break;
                case kCommandExit: exitApplication(); break;
                default: break;
            }
            return 0;
        case gui::kTimerMessage:
            window_->killWindowTimer(wParam);
            if (wParam >= kPopupTimerBase) applyPopups(core_->popupClosed(static_cast<int>(wParam - kPopupTimerBase)));
            return 0;
        case tray::UWM_SVC_NOTIFY: {
            const auto update = core_->serviceNotify();
            applyPopups(update.popups);
            if (update.changed) refreshForms();
            return 0;
        }
        case tray::UWM_SVC_STOPPING:
            // Nothing to do, on purpose: the frame's data stays as it is. The worker thread's
            // next pass finds the service's process gone, shows the stopped icon and hides the
            // RAID information window.
            return 0;
        case tray::UWM_INIT_DATA: {
            const auto update = core_->initData();
            applyPopups(update.popups);
            if (worker_) worker_->firstLoadDone();
            return 0;
        }
        case tray::UWM_SET_INTERVAL: core_->sendRequest(lmx::kRequestSetInterval); return 0;
        case tray::UWM_VERIFY_START: core_->sendRequest(lmx::kRequestStartVerify, drive); return 0;
        case tray::UWM_VERIFY_STOP: core_->sendRequest(lmx::kRequestStopVerify, drive); return 0;
        case tray::UWM_SET_PATROL: core_->sendRequest(lmx::kRequestSetPatrol); return 0;
        case tray::UWM_GET_LOG_A:
        case tray::UWM_GET_LOG_B:
            // The page lands in the core's log buffers. The tab form's mirror-log save waits for
            // UWM_LOG_ARRIVED without a time limit, so it comes after every request, failed or not.
            core_->sendRequest(message == tray::UWM_GET_LOG_A ? lmx::kRequestLogPageF4 : lmx::kRequestLogPageF5, drive);
            if (tabForm_) tabForm_->window().sendMessage(tray::UWM_LOG_ARRIVED);
            return 0;
        case tray::UWM_SET_TEMPERATURE: core_->sendRequest(lmx::kRequestSetTemperature); return 0;
        case tray::UWM_BUZZER_STOP: core_->sendRequest(lmx::kRequestSilenceBuzzer, drive); return 0;
        case tray::UWM_RAIDINFO_UPDATE:
            platform::debugOutput("NOTIFY_RAIDINFO_UPDATE_MSG");
            core_->sendRequest(lmx::kRequestRefresh);
            return 0;
        case tray::UWM_SET_POPMSG: core_->sendRequest(lmx::kRequestSetPopMsg); return 0;
        case tray::UWM_VERIFY_END: core_->sendRequest(lmx::kRequestEndVerify, drive); return 0;
        case tray::UWM_SHOW_INFO:
            if (InformationForm* form = currentForm()) {
                form->window().hide();
                form->window().show();
            }
            return 0;
        case tray::UWM_SET_DIALOG: core_->sendRequest(lmx::kRequestSetDialog); return 0;
        case tray::UWM_POPUP_CLOSED:
            applyPopups(core_->popupClosed(static_cast<int>(wParam)));
            if (lParam != 0) showInfoDialog();
            return 0;
        default: return 0;
    }
}

void MainFrame::applyPopups(const std::vector<PopupCommand>& commands) {
    for (const auto& command : commands) {
        if (command.slot < 0 || command.slot >= 6) continue;
        closePopup(command.slot);
        if (command.kind != PopupCommand::Kind::Show) continue;
        auto popup = std::make_unique<PopupDialog>(command.slot, command.text, command.iconClass, [this](int slot, bool info) {
            // Reported from the alert's own handler: the frame closes it once that has returned.
            window_->post(
                [this, slot, info] { windowProcedure(tray::UWM_POPUP_CLOSED, static_cast<std::uintptr_t>(slot), info ? 1 : 0); });
        });
        popup->window().show();
        platform::debugOutput("g_popupDlg[packet->phyNum]->ShowWindow(true); setting flag to TRUE");
        if (command.displayMilliseconds != 0) {
            window_->setWindowTimer(kPopupTimerBase + static_cast<std::uintptr_t>(command.slot),
                                    static_cast<int>(command.displayMilliseconds));
        }
        popups_[static_cast<std::size_t>(command.slot)] = std::move(popup);
    }
}

void MainFrame::closePopup(int slot) {
    window_->killWindowTimer(kPopupTimerBase + static_cast<std::uintptr_t>(slot));
    if (auto& popup = popups_[static_cast<std::size_t>(slot)]) {
        popup->window().hide();
        // Deleted once control returns to the event loop: the alert may be on the call stack of
        // the event that led here.
        window_->post([gone = std::shared_ptr<PopupDialog>(std::move(popup))] {});
    }
}

void MainFrame::refreshForms() {
    if (InformationForm* form = currentForm()) {
        form->window().sendMessage(tray::UWM_INFO_REFRESH);
        form->window().sendMessage(tray::UWM_STATUS_CHANGED);
    }
}

void MainFrame::showInfoDialog() {
    InformationForm* shown = currentForm();
    InformationForm* other = shown == treeForm_.get() ? static_cast<InformationForm*>(tabForm_.get()) : treeForm_.get();
    if (other && other->window().isVisible()) other->window().hide();
    if (!shown) return;
    if (shown->window().isVisible()) {
        shown->window().show();  // brought to the front
        return;
    }
    core_->sendRequest(lmx::kRequestRefresh);
    if (shown == tabForm_.get()) tabForm_->setFocusTabOnShow();
    shown->window().show();
}

std::intptr_t MainFrame::sendToFrame(std::uint32_t message, std::uintptr_t wParam) {
    return window_->sendMessage(message, wParam, 0);
}

void MainFrame::requestGetLog(int phyNum, int pageNum) {
    platform::debugOutput("CMyFrame::requestGetLog(const int phyNum, const int pageNum)");
    window_->sendMessage(pageNum == 0 ? tray::UWM_GET_LOG_A : tray::UWM_GET_LOG_B, static_cast<std::uintptr_t>(phyNum), 0);
    // The frame answers inside the send, so the word is there unless the tab form is gone.
    if (!tabForm_ || !tabForm_->waitLogArrived()) {
        platform::debugOutput("requestGetLog: no word of the page's outcome");
    }
}

bool MainFrame::serviceRunning() const { return isServiceRunning(); }

bool MainFrame::openHelp() {
    // The help file's name stands for the HTML guide of that name beside the program.
    const std::filesystem::path document = platform::helpDocument(helpFile_);
    std::error_code error;
    if (!std::filesystem::is_regular_file(document, error)) {
        platform::debugOutput("help file not found: " + document.string());
        return false;
    }
    return gui::openDocument(document);
}

void MainFrame::switchMonitoring(bool start) {
    const std::filesystem::path folder = platform::programFolder();
    const auto result = start ? core_->startMonitoring(folder) : core_->stopMonitoring(folder);
    if (result.outcome.trayIcon) showTrayIcon(*result.outcome.trayIcon);
    applyPopups(result.popups);
    gui::messageBox(nullptr, gui::loadString(result.outcome.messageId), kControlCaption, gui::MessageBoxButtons::Ok,
                    result.outcome.errorIcon ? gui::MessageBoxIcon::Error : gui::MessageBoxIcon::Information, true);
}

void MainFrame::exitApplication() {
    if (worker_) worker_->stop();
    worker_.reset();
    if (tray_) tray_->removeIcon();
    gui::quitMessageLoop(0);
}

// ---- worker thread side

bool MainFrame::isServiceProcessRunning() { return lmx::tray::isServiceProcessRunning(); }
bool MainFrame::isServiceReady() { return core_->isServiceReady(); }
void MainFrame::runFirstLoad() { window_->postMessage(tray::UWM_INIT_DATA, 0, 0); }
bool MainFrame::dataInitialized() { return core_->dataInitialized(); }
SlotSummaries MainFrame::slotSummaries() { return core_->slotSummaries(); }

void MainFrame::setTrayIcon(int iconId) {
    window_->post([this, iconId] { showTrayIcon(iconId); });
}

void MainFrame::hideCurrentForm() {
    window_->post([this] {
        if (InformationForm* form = currentForm(); form && form->window().isVisible()) form->window().hide();
    });
}

}  // namespace lmx::tray
