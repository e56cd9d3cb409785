#include "tray/gui/interval_setting_dialog.h"

#include <QComboBox>

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

CIntervalSetting::CIntervalSetting(QWidget* owner, std::uint32_t& intervalSetting, const StringSource& texts)
    : gui::TemplateDialog(intervalSettingTemplate(), owner),
      list_(controlAs<QComboBox>(kIntervalList)),
      intervalSetting_(intervalSetting) {
    setWindowTitle(gui::loadString(kCaption));
    for (const std::string& entry : intervalListTexts(texts)) list_->addItem(QString::fromStdString(entry));
    list_->setCurrentIndex(intervalListIndex(intervalSetting_));
    setControlText(kIntervalLabel, gui::loadString(kLabel));
    setControlText(kIntervalSet, gui::loadString(kStringSet));
    setControlText(kIntervalCancel, gui::loadString(kStringCancel));

    onCommand(kIntervalSet, [this] { set(); });
    onCommand(kIntervalCancel, [this] { endDialog(kSettingCancel); });
}

void CIntervalSetting::set() {
    intervalSetting_ = intervalSettingOfIndex(list_->currentIndex());
    endDialog(kSettingSet);
}

}  // namespace lmx::tray
