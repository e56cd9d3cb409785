#include "tray/gui/temperature_setting_dialog.h"

#include <QCheckBox>
#include <QComboBox>

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

TemperatureSetting::TemperatureSetting(gui::TemplateDialog& owner, std::uint32_t& temperatureSetting)
    : gui::TemplateDialog(temperatureSettingTemplate(), &owner),
      owner_(owner),
      list_(controlAs<QComboBox>(kTemperatureList)),
      box_(controlAs<QCheckBox>(kTemperatureBox)),
      temperatureSetting_(temperatureSetting) {
    setWindowTitle(gui::loadString(kCaption));
    setControlText(kTemperatureBox, gui::loadString(kBoxText));
    setControlText(kTemperatureLabel, gui::loadString(kLabel));
    setControlText(kTemperatureSet, gui::loadString(kStringSet));
    setControlText(kTemperatureCancel, gui::loadString(kStringCancel));

    for (const std::string& entry : thresholdListTexts()) list_->addItem(QString::fromStdString(entry));
    const bool enabled = decodeTemperatureSetting(temperatureSetting_).enabled;
    box_->setChecked(enabled);
    list_->setEnabled(enabled);
    // A stored threshold above the list opens without a selection.
    list_->setCurrentIndex(thresholdListIndex(temperatureSetting_).value_or(-1));

    onCommand(kTemperatureBox, [this] { list_->setEnabled(box_->isChecked()); });
    onCommand(kTemperatureSet, [this] { set(); });
    onCommand(kTemperatureCancel, [this] { endDialog(kSettingCancel); });
}

void TemperatureSetting::set() {
    const int index = list_->currentIndex();
    // Without a selection the stored threshold stays as it was.
    temperatureSetting_ = temperatureSettingOf(temperatureSetting_, box_->isChecked(),
                                               index < 0 ? std::nullopt : std::optional<int>(index));
    owner_.sendMessage(UWM_INFO_REFRESH);
    endDialog(kSettingSet);
}

}  // namespace lmx::tray
