#include "tray/gui/patrol_setting_dialog.h"

#include <QCheckBox>
#include <QComboBox>

#include "gui/string_table.h"
#include "tray/core/setting_choices.h"

namespace lmx::tray {

namespace {

constexpr int kCaption = 157;      // "ベリファイスケジュール設定"
constexpr int kBoxText = 185;      // "設定有効(&E)"
constexpr int kWeeklyText = 186;   // "毎週"
constexpr int kMonthlyText = 187;  // "毎月"

void fill(QComboBox* list, const std::vector<std::string>& entries, std::optional<int> selected) {
    list->clear();
    for (const std::string& entry : entries) list->addItem(QString::fromStdString(entry));
    list->setCurrentIndex(selected.value_or(-1));
}

std::optional<int> selection(const QComboBox* list) {
    const int index = list->currentIndex();
    return index < 0 ? std::nullopt : std::optional<int>(index);
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

CPatrolSettingDlg::CPatrolSettingDlg(QWidget* owner, std::uint32_t& patrolSetting, std::uint32_t nextPatrolTimeHigh,
                                     std::uint32_t nextPatrolTimeLow, const StringSource& texts)
    : gui::TemplateDialog(patrolSettingTemplate(), owner),
      patrolSetting_(patrolSetting),
      nextPatrolTimeHigh_(nextPatrolTimeHigh),
      nextPatrolTimeLow_(nextPatrolTimeLow),
      texts_(texts),
      enabled_(controlAs<QCheckBox>(kPatrolEnabled)),
      kind_(controlAs<QComboBox>(kPatrolKind)),
      day_(controlAs<QComboBox>(kPatrolDay)),
      hour_(controlAs<QComboBox>(kPatrolHour)),
      minute_(controlAs<QComboBox>(kPatrolMinute)) {
    setWindowTitle(gui::loadString(kCaption));
    setControlText(kPatrolSet, gui::loadString(kStringSet));
    setControlText(kPatrolCancel, gui::loadString(kStringCancel));
    setControlText(kPatrolEnabled, gui::loadString(kBoxText));

    const PatrolChoices choices = patrolChoicesOf(patrolSetting_);
    enabled_->setChecked(choices.enabled);
    enableLists(choices.enabled);
    fill(kind_, {texts_.load(kWeeklyText), texts_.load(kMonthlyText)}, choices.kind);
    lastKindIndex_ = choices.kind.value_or(-1);
    fill(day_, patrolDayTexts(choices.kind, texts_), choices.day);
    fill(hour_, numberTexts(0, 23), choices.hour);
    fill(minute_, numberTexts(0, 59), choices.minute);
    setControlText(kPatrolNextTime, QString::fromStdString(nextPatrolTimeText(nextPatrolTimeHigh_, nextPatrolTimeLow_, texts_)));

    onCommand(kPatrolEnabled, [this] { enableLists(enabled_->isChecked()); });
    // Only the user's choices: the lists filled above raised no notification yet.
    connect(kind_, &QComboBox::activated, this, &CPatrolSettingDlg::kindChanged);
    onCommand(kPatrolSet, [this] { set(); });
    onCommand(kPatrolCancel, [this] { endDialog(kSettingCancel); });
}

void CPatrolSettingDlg::enableLists(bool enabled) {
    for (QComboBox* list : {kind_, day_, hour_, minute_}) list->setEnabled(enabled);
}

void CPatrolSettingDlg::kindChanged(int index) {
    if (index == lastKindIndex_) return;
    lastKindIndex_ = index;
    // The new kind's days, the first of them chosen.
    fill(day_, patrolDayTexts(index, texts_), 0);
}

void CPatrolSettingDlg::set() {
    PatrolChoices choices;
    choices.enabled = enabled_->isChecked();
    choices.kind = selection(kind_);
    choices.day = selection(day_);
    choices.hour = selection(hour_);
    choices.minute = selection(minute_);
    // Lists without a selection keep the stored fields.
    patrolSetting_ = patrolSettingOf(patrolSetting_, choices);
    endDialog(kSettingSet);
}

}  // namespace lmx::tray
