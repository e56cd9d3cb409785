#include "tray/gui/popup_setting_dialog.h"

#include <QCheckBox>
#include <QComboBox>

#include "gui/qt/widget_message_box.h"
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
constexpr int kTextSet = 178;
constexpr int kTextCancel = 179;

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

PopupSettingDialog::PopupSettingDialog(std::uint32_t popMsgSetting, const StringSource& texts, QWidget* parent)
    : gui::TemplateDialog(popupSettingTemplate(), parent), value_(popMsgSetting) {
    setWindowTitle(gui::loadString(kCaption));
    setControlText(kLabelDisplay, gui::loadString(kTextDisplay));
    setControlText(kLabelTime, gui::loadString(kTextTime));
    setControlText(kPopupSettingAccept, gui::loadString(kTextSet));
    setControlText(kPopupSettingCancel, gui::loadString(kTextCancel));

    const auto choices = decodePopupSetting(popMsgSetting);
    const auto entries = popupTimeListEntries(texts);
    for (int k = 0; k < 3; ++k) {
        auto* box = controlAs<QCheckBox>(kPopupSettingShow[k]);
        auto* list = controlAs<QComboBox>(kPopupSettingTime[k]);
        if (!box || !list) continue;
        box->setText(gui::loadString(kClassTexts[k]));
        for (const auto& entry : entries) list->addItem(QString::fromStdString(entry));
        box->setChecked(choices[static_cast<std::size_t>(k)].shown);
        list->setCurrentIndex(choices[static_cast<std::size_t>(k)].timeIndex);
        list->setEnabled(box->isChecked());
        connect(box, &QCheckBox::toggled, list, &QComboBox::setEnabled);
    }
    onCommand(kPopupSettingAccept, [this] {
        value_ = value();
        endDialog(gui::IdOk);
    });
    onCommand(kPopupSettingCancel, [this] { endDialog(gui::IdCancel); });
}

std::uint32_t PopupSettingDialog::value() const {
    PopupSettingChoices choices{};
    for (int k = 0; k < 3; ++k) {
        const auto* box = controlAs<QCheckBox>(kPopupSettingShow[k]);
        const auto* list = controlAs<QComboBox>(kPopupSettingTime[k]);
        if (!box || !list) return value_;
        choices[static_cast<std::size_t>(k)] = {box->isChecked(), list->currentIndex() < 0 ? 0 : list->currentIndex()};
    }
    return encodePopupSetting(choices);
}

}  // namespace lmx::tray
