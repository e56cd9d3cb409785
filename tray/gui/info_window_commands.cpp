#include "tray/gui/info_window_commands.h"

#include "common/service_key.h"
#include "common/service_settings.h"
#include "common/tray_messages.h"
#include "common/utf8_path.h"
#include "gui/about_dialog.h"
#include "gui/file_dialog.h"
#include "gui/message_box.h"
#include "gui/string_table.h"
#include "platform/system_info.h"
#include "tray/core/info_menu.h"
#include "tray/core/mirror_log.h"
#include "tray/core/service_state.h"
#include "tray/gui/dialog_setting_dialog.h"
#include "tray/gui/interval_setting_dialog.h"
#include "tray/gui/patrol_setting_dialog.h"
#include "tray/gui/popup_setting_dialog.h"
#include "tray/gui/temperature_setting_dialog.h"

namespace lmx::tray {

namespace {

constexpr int kMessageLogNotRead = 300;
constexpr int kMessageLogNotSaved = 301;
constexpr int kMessageLogSaved = 302;
constexpr const char* kMessageCaption = "LMXDuowatch";

void tell(gui::DialogWindow& owner, int messageId, gui::MessageBoxIcon icon) {
    gui::messageBox(&owner, gui::loadString(messageId), kMessageCaption, gui::MessageBoxButtons::Ok, icon);
}

}  // namespace

bool InformationWindowCommands::run(int command) {
    switch (command) {
        case commands::kRefresh: refresh(); return true;
        case commands::kClose: form_.endDialog(1); return true;
        case commands::kPopupSettings: openPopupSetting(); return true;
        case commands::kIntervalSettings: openIntervalSetting(); return true;
        case commands::kSaveMirrorLog: saveMirrorLog(); return true;
        case commands::kPatrolSettings: openPatrolSetting(); return true;
        case commands::kTemperatureSettings: openTemperatureSetting(); return true;
        case commands::kDisplaySettings: openDialogSetting(); return true;
        case commands::kStartVerify: sendForSlotOnView(UWM_VERIFY_START); return true;
        case commands::kStopVerify: sendForSlotOnView(UWM_VERIFY_STOP); return true;
        case commands::kEndVerify: sendForSlotOnView(UWM_VERIFY_END); return true;
        case commands::kStopBuzzer: sendForSlotOnView(UWM_BUZZER_STOP); return true;
        case commands::kHelp: help(); return true;
        case commands::kAbout: about(); return true;
        default: return false;
    }
}

void InformationWindowCommands::refresh() { host_.sendToFrame(UWM_RAIDINFO_UPDATE); }

void InformationWindowCommands::help() { host_.openHelp(); }

void InformationWindowCommands::about() {
    gui::AboutDialog about(platform::systemInfo().programPath().value_or(std::filesystem::path()));
    about.doModal();
}

void InformationWindowCommands::sendForSlotOnView(std::uint32_t message) {
    // The items are grayed while no controller is on view; a slot out of range is never sent.
    const int slot = host_.currentSlot();
    if (slot < 0 || slot >= kPhysicalDriveCount) return;
    host_.sendToFrame(message, static_cast<std::uintptr_t>(slot));
}

void InformationWindowCommands::saveMirrorLog() {
    const std::string defaultName = mirrorLogDefaultName(platform::systemInfo().localTime());
    gui::SaveFileRequest request;
    request.fileName = defaultName;
    request.defaultExtension = "txt";
    request.filters = {"Mirror Log (*.bin)", "Mirror Log (*.txt)"};
    request.initialFolder = platform::programFolder();
    const auto chosen = gui::saveFileName(&form_, request);
    if (!chosen) return;

    const int slot = host_.currentSlot();
    const bool slotInRange = slot >= 0 && slot < kPhysicalDriveCount;
    if (slotInRange) host_.requestGetLog(slot, 0);
    if (!slotInRange || host_.logPages()[0].ok == 0) {
        tell(form_, kMessageLogNotRead, gui::MessageBoxIcon::Warning);
        return;
    }
    host_.requestGetLog(slot, 1);  // a page 1 that did not come stays zero in the file
    const MirrorLogFile image = mirrorLogImage(host_.keptPackets()[static_cast<std::size_t>(slot)], host_.logPages());

    const std::filesystem::path path = utf8Path(chosen->empty() ? defaultName : *chosen);
    switch (writeMirrorLog(path, image)) {
        case MirrorLogWrite::Written: tell(form_, kMessageLogSaved, gui::MessageBoxIcon::Information); break;
        case MirrorLogWrite::NotCreated:
        case MirrorLogWrite::NotWritten: tell(form_, kMessageLogNotSaved, gui::MessageBoxIcon::Warning); break;
    }
}

void InformationWindowCommands::openPopupSetting() {
    std::uint32_t& copy = host_.settings().popMsg;
    copy = serviceSettingOr(kPopMsgSetting, kDefaultPopMsgSetting);
    PopupSettingDialog dialog(copy, host_.texts(), &form_);
    if (dialog.doModal() != gui::IdOk) return;
    copy = dialog.value();
    host_.sendToFrame(UWM_SET_POPMSG);
}

void InformationWindowCommands::openIntervalSetting() {
    std::uint32_t& copy = host_.settings().interval;
    copy = serviceSettingOr(kIntervalSetting, kDefaultIntervalSetting);
    CIntervalSetting dialog(&form_, copy, host_.texts());
    if (dialog.doModal() == kSettingSet) host_.sendToFrame(UWM_SET_INTERVAL);
}

void InformationWindowCommands::openPatrolSetting() {
    std::uint32_t& copy = host_.settings().patrol;
    copy = serviceSettingOr(kPatrolSetting, kDefaultPatrolSetting);
    CPatrolSettingDlg dialog(&form_, copy, serviceSettingOr(kNextPatrolTimeHigh, 0), serviceSettingOr(kNextPatrolTimeLow, 0),
                             host_.texts());
    if (dialog.doModal() == kSettingSet) host_.sendToFrame(UWM_SET_PATROL);
}

void InformationWindowCommands::openTemperatureSetting() {
    std::uint32_t& copy = host_.settings().temperature;
    copy = serviceSettingOr(kTemperatureSetting, kDefaultTemperatureSetting);
    TemperatureSetting dialog(form_, copy);
    if (dialog.doModal() == kSettingSet) host_.sendToFrame(UWM_SET_TEMPERATURE);
}

void InformationWindowCommands::openDialogSetting() {
    std::uint32_t& copy = host_.settings().dialog;
    copy = serviceSettingOr(kDialogSetting, 0);
    CDialogSetting dialog(form_, copy);
    if (dialog.doModal() != kSettingSet) return;
    host_.sendToFrame(UWM_SET_DIALOG);
    // The chosen form replaces this one at once.
    host_.showInfoDialog();
}

}  // namespace lmx::tray
