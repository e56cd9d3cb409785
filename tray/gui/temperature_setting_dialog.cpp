#include "tray/gui/temperature_setting_dialog.h"

#include "common/service_settings.h"
#include "common/tray_messages.h"
#include "gui/string_table.h"
#include "tray/core/setting_choices.h"

namespace lmx::tray {

namespace {
constexpr int kCaption = 320;  // "温度監視設定"
constexpr int kBoxText = 321;  // "設定有効"
constexpr int kLabel = 322;    // "閾値温度"
}  // namespace

gui::DialogTemplate temperatureSettingTemplate() {
    using gui::ControlKind;
    using gui::TextAlign;
    gui::DialogTemplate dialog;
    dialog.id = kTemperatureSettingTemplate;
    dialog.caption = "温度監視設定";
    dialog.width = 120;
    dialog.height = 97;
    dialog.keys = gui::KeyPolicy::settings();
    dialog.controls = {
        {kTemperatureBox, ControlKind::CheckBox, {13, 16, 63, 10}, "", TextAlign::Left, false, std::nullopt},
        {kTemperatureLabel, ControlKind::Label, {14, 36, 77, 8}, "", TextAlign::Left, false, std::nullopt},
        {kTemperatureList, ControlKind::DropDownList, {16, 47, 54, 78}, "", TextAlign::Left, false, std::nullopt},
        {kTemperatureSet, ControlKind::PushButton, {11, 76, 48, 14}, "", TextAlign::Left, false, std::nullopt},
        {kTemperatureCancel, ControlKind::PushButton, {62, 76, 48, 14}, "", TextAlign::Left, false, std::nullopt},
    };
    return dialog;
}

TemperatureSetting::TemperatureSetting(gui::DialogWindow& owner, std::uint32_t& temperatureSetting)
    : SettingDialog(temperatureSettingTemplate(), &owner, kCaption, kTemperatureSet, kTemperatureCancel),
      owner_(owner),
      temperatureSetting_(temperatureSetting) {
    gui::DialogWindow& window = *window_;
    window.setText(kTemperatureBox, gui::loadString(kBoxText));
    window.setText(kTemperatureLabel, gui::loadString(kLabel));

    window.setItems(kTemperatureList, thresholdListTexts());
    const bool enabled = decodeTemperatureSetting(temperatureSetting_).enabled;
    window.check(kTemperatureBox, enabled);
    window.enable(kTemperatureList, enabled);
    // A stored threshold above the list opens without a selection.
    window.selectItem(kTemperatureList, thresholdListIndex(temperatureSetting_));

    window.onCommand(kTemperatureBox, [this] { window_->enable(kTemperatureList, window_->isChecked(kTemperatureBox)); });
    window.onCommand(kTemperatureSet, [this] { set(); });
}

void TemperatureSetting::set() {
    // Without a selection the stored threshold stays as it was.
    temperatureSetting_ = temperatureSettingOf(temperatureSetting_, window_->isChecked(kTemperatureBox),
                                               window_->selectedItem(kTemperatureList));
    owner_.sendMessage(UWM_INFO_REFRESH);
    window_->endDialog(kSettingSet);
}

}  // namespace lmx::tray
