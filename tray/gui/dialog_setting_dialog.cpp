#include "tray/gui/dialog_setting_dialog.h"

#include "common/tray_messages.h"
#include "gui/string_table.h"

namespace lmx::tray {

namespace {
constexpr int kCaption = 236;  // "RAID情報表示設定"
constexpr int kBoxText = 237;  // "階層表示"
}  // namespace

gui::DialogTemplate dialogSettingTemplate() {
    using gui::ControlKind;
    using gui::TextAlign;
    gui::DialogTemplate dialog;
    dialog.id = kDialogSettingTemplate;
    dialog.caption = "RAID情報表示設定";
    dialog.width = 117;
    dialog.height = 67;
    dialog.keys = gui::KeyPolicy::settings();
    dialog.controls = {
        {kDialogSettingBox, ControlKind::CheckBox, {28, 22, 48, 10}, "", TextAlign::Left, false, std::nullopt},
        {kDialogSettingSet, ControlKind::PushButton, {7, 46, 50, 14}, "", TextAlign::Left, false, std::nullopt},
        {kDialogSettingCancel, ControlKind::PushButton, {60, 46, 50, 14}, "", TextAlign::Left, false, std::nullopt},
    };
    return dialog;
}

CDialogSetting::CDialogSetting(gui::DialogWindow& owner, std::uint32_t& dialogSetting)
    : SettingDialog(dialogSettingTemplate(), &owner, kCaption, kDialogSettingSet, kDialogSettingCancel),
      owner_(owner),
      dialogSetting_(dialogSetting) {
    window_->setText(kDialogSettingBox, gui::loadString(kBoxText));
    window_->check(kDialogSettingBox, dialogSetting_ != 0);
    window_->onCommand(kDialogSettingSet, [this] { set(); });
}

void CDialogSetting::set() {
    dialogSetting_ = window_->isChecked(kDialogSettingBox) ? 1 : 0;
    owner_.sendMessage(UWM_INFO_REFRESH);
    window_->endDialog(kSettingSet);
}

}  // namespace lmx::tray
