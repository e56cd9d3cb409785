#include "tray/gui/patrol_setting_dialog.h"

#include "gui/string_table.h"
#include "tray/core/setting_choices.h"

namespace lmx::tray {

namespace {

constexpr int kCaption = 157;      // "ベリファイスケジュール設定"
constexpr int kBoxText = 185;      // "設定有効(&E)"
constexpr int kWeeklyText = 186;   // "毎週"
constexpr int kMonthlyText = 187;  // "毎月"

constexpr int kLists[] = {kPatrolKind, kPatrolDay, kPatrolHour, kPatrolMinute};

void fill(gui::DialogWindow& window, int list, const std::vector<std::string>& entries, std::optional<int> selected) {
    window.setItems(list, entries);
    window.selectItem(list, selected);
}

}  // namespace

gui::DialogTemplate patrolSettingTemplate() {
    using gui::ControlKind;
    using gui::TextAlign;
    gui::DialogTemplate dialog;
    dialog.id = kPatrolSettingTemplate;
    dialog.caption = "ベリファイスケジュール設定";
    dialog.width = 228;
    dialog.height = 78;
    dialog.keys = gui::KeyPolicy::settings();
    dialog.controls = {
        {kPatrolEnabled, ControlKind::CheckBox, {7, 6, 63, 10}, "", TextAlign::Left, false, std::nullopt},
        {kPatrolKind, ControlKind::DropDownList, {9, 23, 49, 130}, "", TextAlign::Left, false, std::nullopt},
        {kPatrolDay, ControlKind::DropDownList, {65, 23, 57, 122}, "", TextAlign::Left, false, std::nullopt},
        {kPatrolHour, ControlKind::DropDownList, {139, 23, 34, 114}, "", TextAlign::Left, false, std::nullopt},
        {-1, ControlKind::Label, {174, 25, 8, 8}, ":", TextAlign::Left, false, std::nullopt},
        {kPatrolMinute, ControlKind::DropDownList, {182, 23, 34, 144}, "", TextAlign::Left, false, std::nullopt},
        {kPatrolNextTime, ControlKind::Label, {6, 44, 216, 8}, "", TextAlign::Center, false, std::nullopt},
        {kPatrolSet, ControlKind::PushButton, {58, 59, 50, 14}, "", TextAlign::Left, false, std::nullopt},
        {kPatrolCancel, ControlKind::PushButton, {116, 59, 50, 14}, "", TextAlign::Left, false, std::nullopt},
    };
    return dialog;
}

CPatrolSettingDlg::CPatrolSettingDlg(gui::DialogWindow* owner, std::uint32_t& patrolSetting,
                                     std::uint32_t nextPatrolTimeHigh, std::uint32_t nextPatrolTimeLow,
                                     const StringSource& texts)
    : SettingDialog(patrolSettingTemplate(), owner, kCaption, kPatrolSet, kPatrolCancel),
      patrolSetting_(patrolSetting),
      nextPatrolTimeHigh_(nextPatrolTimeHigh),
      nextPatrolTimeLow_(nextPatrolTimeLow),
      texts_(texts) {
    gui::DialogWindow& window = *window_;
    window.setText(kPatrolEnabled, gui::loadString(kBoxText));

    const PatrolChoices choices = patrolChoicesOf(patrolSetting_);
    window.check(kPatrolEnabled, choices.enabled);
    enableLists(choices.enabled);
    fill(window, kPatrolKind, {texts_.load(kWeeklyText), texts_.load(kMonthlyText)}, choices.kind);
    lastKindIndex_ = choices.kind.value_or(-1);
    fill(window, kPatrolDay, patrolDayTexts(choices.kind, texts_), choices.day);
    fill(window, kPatrolHour, numberTexts(0, 23), choices.hour);
    fill(window, kPatrolMinute, numberTexts(0, 59), choices.minute);
    window.setText(kPatrolNextTime, nextPatrolTimeText(nextPatrolTimeHigh_, nextPatrolTimeLow_, texts_));

    window.onCommand(kPatrolEnabled, [this] { enableLists(window_->isChecked(kPatrolEnabled)); });
    // Only the user's choices: the lists filled above raised no notification.
    window.onItemChosen(kPatrolKind, [this](int index) { kindChanged(index); });
    window.onCommand(kPatrolSet, [this] { set(); });
}

void CPatrolSettingDlg::enableLists(bool enabled) {
    for (const int list : kLists) window_->enable(list, enabled);
}

void CPatrolSettingDlg::kindChanged(int index) {
    if (index == lastKindIndex_) return;
    lastKindIndex_ = index;
    // The new kind's days, the first of them chosen.
    fill(*window_, kPatrolDay, patrolDayTexts(index, texts_), 0);
}

void CPatrolSettingDlg::set() {
    PatrolChoices choices;
    choices.enabled = window_->isChecked(kPatrolEnabled);
    choices.kind = window_->selectedItem(kPatrolKind);
    choices.day = window_->selectedItem(kPatrolDay);
    choices.hour = window_->selectedItem(kPatrolHour);
    choices.minute = window_->selectedItem(kPatrolMinute);
    // Lists without a selection keep the stored fields.
    patrolSetting_ = patrolSettingOf(patrolSetting_, choices);
    window_->endDialog(kSettingSet);
}

}  // namespace lmx::tray
