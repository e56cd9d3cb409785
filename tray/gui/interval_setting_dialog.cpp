#include "tray/gui/interval_setting_dialog.h"

#include "gui/string_table.h"
#include "tray/core/setting_choices.h"

namespace lmx::tray {

namespace {
constexpr int kCaption = 181;  // "監視インターバル設定"
constexpr int kLabel = 182;    // "ステータス取得間隔"
}  // namespace

gui::DialogTemplate intervalSettingTemplate() {
    using gui::ControlKind;
    using gui::TextAlign;
    gui::DialogTemplate dialog;
    dialog.id = kIntervalSettingTemplate;
    dialog.caption = "インターバル設定";
    dialog.width = 152;
    dialog.height = 49;
    dialog.keys = gui::KeyPolicy::settings();
    dialog.controls = {
        {kIntervalLabel, ControlKind::Label, {5, 11, 72, 8}, "", TextAlign::Right, false, std::nullopt},
        {kIntervalList, ControlKind::DropDownList, {82, 9, 62, 58}, "", TextAlign::Left, false, std::nullopt},
        {kIntervalSet, ControlKind::PushButton, {25, 30, 50, 14}, "", TextAlign::Left, false, std::nullopt},
        {kIntervalCancel, ControlKind::PushButton, {80, 30, 50, 14}, "", TextAlign::Left, false, std::nullopt},
    };
    return dialog;
}

CIntervalSetting::CIntervalSetting(gui::DialogWindow* owner, std::uint32_t& intervalSetting, const StringSource& texts)
    : SettingDialog(intervalSettingTemplate(), owner, kCaption, kIntervalSet, kIntervalCancel),
      intervalSetting_(intervalSetting) {
    window_->setItems(kIntervalList, intervalListTexts(texts));
    window_->selectItem(kIntervalList, intervalListIndex(intervalSetting_));
    window_->setText(kIntervalLabel, gui::loadString(kLabel));
    window_->onCommand(kIntervalSet, [this] { set(); });
}

void CIntervalSetting::set() {
    intervalSetting_ = intervalSettingOfIndex(window_->selectedItem(kIntervalList).value_or(-1));
    window_->endDialog(kSettingSet);
}

}  // namespace lmx::tray
