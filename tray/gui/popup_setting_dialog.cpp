#include "tray/gui/popup_setting_dialog.h"

#include "gui/message_box.h"
#include "gui/string_table.h"
#include "tray/core/popup_settings.h"

namespace lmx::tray {

namespace {

constexpr int kLabelDisplay = 1075;
constexpr int kLabelTime = 1076;
constexpr int kCaption = 170;
constexpr int kClassTexts[3] = {173, 174, 175};
constexpr int kTextDisplay = 171;
constexpr int kTextTime = 172;

gui::ControlTemplate control(int id, gui::ControlKind kind, gui::DialogRect rect) {
    return {id, kind, rect, "", gui::TextAlign::Left, false, std::nullopt};
}

}  // namespace

gui::DialogTemplate popupSettingTemplate() {
    gui::DialogTemplate dialog;
    dialog.id = kPopupSettingTemplate;
    dialog.width = 196;
    dialog.height = 104;
    dialog.keys = gui::KeyPolicy::settings();
    dialog.controls = {control(kLabelDisplay, gui::ControlKind::Label, {10, 8, 80, 10}),
                       control(kLabelTime, gui::ControlKind::Label, {100, 8, 86, 10})};
    for (int k = 0; k < 3; ++k) {
        const int y = 22 + 18 * k;
        dialog.controls.push_back(control(kPopupSettingShow[k], gui::ControlKind::CheckBox, {10, y, 84, 12}));
        dialog.controls.push_back(control(kPopupSettingTime[k], gui::ControlKind::DropDownList, {100, y, 86, 60}));
    }
    dialog.controls.push_back(control(kPopupSettingAccept, gui::ControlKind::PushButton, {46, 82, 66, 14}));
    dialog.controls.push_back(control(kPopupSettingCancel, gui::ControlKind::PushButton, {120, 82, 66, 14}));
    return dialog;
}

PopupSettingDialog::PopupSettingDialog(std::uint32_t popMsgSetting, const StringSource& texts,
                                       gui::DialogWindow* owner)
    : SettingDialog(popupSettingTemplate(), owner, kCaption, kPopupSettingAccept, kPopupSettingCancel),
      value_(popMsgSetting) {
    gui::DialogWindow& window = *window_;
    window.setText(kLabelDisplay, gui::loadString(kTextDisplay));
    window.setText(kLabelTime, gui::loadString(kTextTime));

    const auto choices = decodePopupSetting(popMsgSetting);
    const auto entries = popupTimeListEntries(texts);
    for (int k = 0; k < 3; ++k) {
        const int box = kPopupSettingShow[k];
        const int list = kPopupSettingTime[k];
        const auto& choice = choices[static_cast<std::size_t>(k)];
        window.setText(box, gui::loadString(kClassTexts[k]));
        window.setItems(list, entries);
        window.check(box, choice.shown);
        window.selectItem(list, choice.timeIndex);
        window.enable(list, choice.shown);
        window.onCommand(box, [this, box, list] { window_->enable(list, window_->isChecked(box)); });
    }
    window.onCommand(kPopupSettingAccept, [this] {
        value_ = value();
        window_->endDialog(gui::IdOk);
    });
}

std::uint32_t PopupSettingDialog::value() const {
    PopupSettingChoices choices{};
    for (int k = 0; k < 3; ++k) {
        choices[static_cast<std::size_t>(k)] = {window_->isChecked(kPopupSettingShow[k]),
                                                window_->selectedItem(kPopupSettingTime[k]).value_or(0)};
    }
    return encodePopupSetting(choices);
}

}  // namespace lmx::tray
