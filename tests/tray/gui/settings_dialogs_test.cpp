// The settings dialogs: what they open with, what Set stores, how they end, and what their
// openers in the RAID information window send.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "common/tray_messages.h"
#include "platform/system_time.h"
#include "service/monitor/settings_store.h"
#include "tests/gui/test_application.h"
#include "tests/support/eventually.h"
#include "tests/tray/core/packets.h"
#include "tests/tray/gui/modal_answer.h"
#include "tests/tray/gui/served_frame.h"
#include "tray/gui/dialog_setting_dialog.h"
#include "tray/gui/interval_setting_dialog.h"
#include "tray/gui/patrol_setting_dialog.h"
#include "tray/gui/qt_string_source.h"
#include "tray/gui/temperature_setting_dialog.h"

namespace lmx::tray {
namespace {

const StringTableSource kTexts;

void press(QWidget* widget, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void click(gui::TemplateDialog& dialog, int id) {
    auto* button = dialog.controlAs<QAbstractButton>(id);
    ASSERT_NE(nullptr, button) << id;
    button->click();
}

// The information window a settings dialog reports to: it records the messages it gets and
// what the setting's copy held when each came.
class RecordingOwner {
public:
    explicit RecordingOwner(const std::uint32_t& watched) : window_(gui::DialogTemplate{}) {
        window_.setWindowProcedure([this, &watched](std::uint32_t message, std::uintptr_t, std::intptr_t) -> std::intptr_t {
            messages.push_back({message, watched});
            return 0;
        });
    }
    gui::TemplateDialog& window() { return window_; }
    std::vector<std::pair<std::uint32_t, std::uint32_t>> messages;

private:
    gui::TemplateDialog window_;
};

// Shows the dialog modeless, so that the test can work it and read its result.
template <typename Dialog>
Dialog& shown(Dialog& dialog) {
    dialog.show();
    return dialog;
}

class SettingsDialogTest : public ::testing::Test {
protected:
    QApplication& application = gui::testing::testApplication();  // before any widget
    gui::TemplateDialog parent{gui::DialogTemplate{}};
};

TEST_F(SettingsDialogTest, IntervalOpensOnTheLowestBitAndStoresOneBit) {
    std::uint32_t interval = 16;
    CIntervalSetting dialog(&parent, interval, kTexts);
    auto* list = dialog.controlAs<QComboBox>(kIntervalList);
    EXPECT_EQ(QStringLiteral("監視インターバル設定"), dialog.windowTitle());
    EXPECT_EQ(QStringLiteral("ステータス取得間隔"), dialog.controlText(kIntervalLabel));
    EXPECT_EQ(QStringLiteral("設定(&S)"), dialog.controlText(kIntervalSet));
    ASSERT_EQ(12, list->count());
    EXPECT_EQ(QStringLiteral(" 5分"), list->currentText());
    list->setCurrentIndex(7);  // 1 hour
    shown(dialog);
    click(dialog, kIntervalSet);
    EXPECT_EQ(kSettingSet, dialog.result());
    EXPECT_EQ(0x80u, interval);

    for (std::uint32_t value : {0x0u, 0x1000u}) {
        interval = value;
        CIntervalSetting none(&parent, interval, kTexts);
        EXPECT_EQ(1, none.controlAs<QComboBox>(kIntervalList)->currentIndex());  // 10 seconds
        click(shown(none), kIntervalSet);
        EXPECT_EQ(2u, interval);
    }
    interval = 0x18;
    CIntervalSetting lowest(&parent, interval, kTexts);
    EXPECT_EQ(3, lowest.controlAs<QComboBox>(kIntervalList)->currentIndex());  // 1 minute
}

TEST_F(SettingsDialogTest, CancelEscAndTheCloseBoxStoreNothingAndEnterDoesNothing) {
    std::uint32_t interval = 16;
    CIntervalSetting dialog(&parent, interval, kTexts);
    dialog.controlAs<QComboBox>(kIntervalList)->setCurrentIndex(0);
    shown(dialog);
    press(&dialog, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    click(dialog, kIntervalCancel);
    EXPECT_EQ(kSettingCancel, dialog.result());

    CIntervalSetting escaped(&parent, interval, kTexts);
    shown(escaped);
    press(&escaped, Qt::Key_Escape);
    EXPECT_FALSE(escaped.isVisible());
    EXPECT_EQ(kSettingClosed, escaped.result());
    CIntervalSetting closed(&parent, interval, kTexts);
    shown(closed).close();
    EXPECT_EQ(kSettingClosed, closed.result());
    EXPECT_EQ(16u, interval);
}

TEST_F(SettingsDialogTest, DisplaySettingStoresOneOrZeroAndHasTheWindowRebuildFirst) {
    std::uint32_t dialogSetting = 5;
    RecordingOwner owner(dialogSetting);
    CDialogSetting dialog(owner.window(), dialogSetting);
    EXPECT_EQ(QStringLiteral("RAID情報表示設定"), dialog.windowTitle());
    EXPECT_EQ(QStringLiteral("階層表示"), dialog.controlText(kDialogSettingBox));
    EXPECT_TRUE(dialog.controlAs<QCheckBox>(kDialogSettingBox)->isChecked());
    click(shown(dialog), kDialogSettingSet);
    EXPECT_EQ(kSettingSet, dialog.result());
    EXPECT_EQ(1u, dialogSetting);
    ASSERT_EQ(1u, owner.messages.size());
    EXPECT_EQ(UWM_INFO_REFRESH, owner.messages[0].first);
    EXPECT_EQ(1u, owner.messages[0].second);  // the copy was stored before the rebuild

    CDialogSetting unticked(owner.window(), dialogSetting);
    unticked.controlAs<QCheckBox>(kDialogSettingBox)->setChecked(false);
    click(shown(unticked), kDialogSettingSet);
    EXPECT_EQ(0u, dialogSetting);

    CDialogSetting cancelled(owner.window(), dialogSetting);
    cancelled.controlAs<QCheckBox>(kDialogSettingBox)->setChecked(true);
    click(shown(cancelled), kDialogSettingCancel);
    EXPECT_EQ(kSettingCancel, cancelled.result());
    EXPECT_EQ(0u, dialogSetting);
    EXPECT_EQ(2u, owner.messages.size());
}

TEST_F(SettingsDialogTest, TemperatureOpensWithTheThresholdAndStoresTheChoice) {
    std::uint32_t temperature = 0x3C00;
    RecordingOwner owner(temperature);
    {
        TemperatureSetting dialog(owner.window(), temperature);
        EXPECT_EQ(QStringLiteral("温度監視設定"), dialog.windowTitle());
        EXPECT_EQ(QStringLiteral("閾値温度"), dialog.controlText(kTemperatureLabel));
        auto* list = dialog.controlAs<QComboBox>(kTemperatureList);
        EXPECT_FALSE(dialog.controlAs<QCheckBox>(kTemperatureBox)->isChecked());
        EXPECT_FALSE(list->isEnabled());
        ASSERT_EQ(40, list->count());
        EXPECT_EQ(QStringLiteral("60 C"), list->currentText());
        // The box switches the list; the selection stays.
        click(dialog, kTemperatureBox);
        EXPECT_TRUE(list->isEnabled());
        EXPECT_EQ(QStringLiteral("60 C"), list->currentText());
    }

    temperature = 0x4101;
    TemperatureSetting dialog(owner.window(), temperature);
    auto* list = dialog.controlAs<QComboBox>(kTemperatureList);
    EXPECT_TRUE(dialog.controlAs<QCheckBox>(kTemperatureBox)->isChecked());
    EXPECT_EQ(QStringLiteral("65 C"), list->currentText());
    list->setCurrentIndex(20);
    click(shown(dialog), kTemperatureSet);
    EXPECT_EQ(kSettingSet, dialog.result());
    EXPECT_EQ(0x3201u, temperature);
    ASSERT_EQ(1u, owner.messages.size());
    EXPECT_EQ(std::make_pair(UWM_INFO_REFRESH, 0x3201u), owner.messages[0]);

    temperature = 0x1401;  // 20 °C: below the list
    TemperatureSetting low(owner.window(), temperature);
    EXPECT_EQ(QStringLiteral("30 C"), low.controlAs<QComboBox>(kTemperatureList)->currentText());
    click(shown(low), kTemperatureSet);
    EXPECT_EQ(0x1E01u, temperature);

    // Unticking keeps the threshold shown, with the alarm bit clear.
    TemperatureSetting off(owner.window(), temperature);
    click(off, kTemperatureBox);
    EXPECT_FALSE(off.controlAs<QComboBox>(kTemperatureList)->isEnabled());
    click(shown(off), kTemperatureSet);
    EXPECT_EQ(0x1E00u, temperature);
}

TEST_F(SettingsDialogTest, TemperatureAboveTheListOpensWithoutASelectionAndSetKeepsIt) {
    std::uint32_t temperature = 0x4B01;  // 75 °C
    RecordingOwner owner(temperature);
    TemperatureSetting dialog(owner.window(), temperature);
    EXPECT_EQ(-1, dialog.controlAs<QComboBox>(kTemperatureList)->currentIndex());
    click(dialog, kTemperatureBox);  // the alarm off, the threshold untouched
    click(shown(dialog), kTemperatureSet);
    EXPECT_EQ(0x4B00u, temperature);

    TemperatureSetting escaped(owner.window(), temperature);
    escaped.controlAs<QComboBox>(kTemperatureList)->setCurrentIndex(0);
    press(&shown(escaped), Qt::Key_Escape);
    EXPECT_EQ(kSettingClosed, escaped.result());
    EXPECT_EQ(0x4B00u, temperature);
    EXPECT_EQ(1u, owner.messages.size());
}

struct PatrolView {
    bool checked;
    bool listsEnabled;
    QString kind;
    QString day;
    QString hour;
    QString minute;
    int days;
};

PatrolView viewOf(CPatrolSettingDlg& dialog) {
    auto* kind = dialog.controlAs<QComboBox>(kPatrolKind);
    auto* day = dialog.controlAs<QComboBox>(kPatrolDay);
    return {dialog.controlAs<QCheckBox>(kPatrolEnabled)->isChecked(),
            kind->isEnabled() && day->isEnabled() && dialog.control(kPatrolHour)->isEnabled() &&
                dialog.control(kPatrolMinute)->isEnabled(),
            kind->currentText(),
            day->currentText(),
            dialog.controlAs<QComboBox>(kPatrolHour)->currentText(),
            dialog.controlAs<QComboBox>(kPatrolMinute)->currentText(),
            day->count()};
}

void chooseKind(CPatrolSettingDlg& dialog, int index) {
    auto* kind = dialog.controlAs<QComboBox>(kPatrolKind);
    kind->setCurrentIndex(index);
    emit kind->activated(index);  // as the user's choice raises it
}

TEST_F(SettingsDialogTest, PatrolOpensWithTheStoredScheduleAndSetStoresItAgain) {
    std::uint32_t patrol = 0x1E0A0381;
    CPatrolSettingDlg weekly(&parent, patrol, 0, 0, kTexts);
    EXPECT_EQ(QStringLiteral("ベリファイスケジュール設定"), weekly.windowTitle());
    const PatrolView view = viewOf(weekly);
    EXPECT_TRUE(view.checked);
    EXPECT_TRUE(view.listsEnabled);
    EXPECT_EQ(QStringLiteral("毎週"), view.kind);
    EXPECT_EQ(QStringLiteral("水曜"), view.day);
    EXPECT_EQ(QStringLiteral("10"), view.hour);
    EXPECT_EQ(QStringLiteral("30"), view.minute);
    EXPECT_EQ(7, view.days);
    EXPECT_EQ(QStringLiteral("次回の実行時間は設定されていません"), weekly.controlText(kPatrolNextTime));

    patrol = 0x00020E02;
    CPatrolSettingDlg monthly(&parent, patrol, 0, 0, kTexts);
    const PatrolView month = viewOf(monthly);
    EXPECT_FALSE(month.checked);
    EXPECT_FALSE(monthly.control(kPatrolKind)->isEnabled());
    EXPECT_EQ(QStringLiteral("毎月"), month.kind);
    EXPECT_EQ(QStringLiteral("15"), month.day);
    EXPECT_EQ(QStringLiteral("2"), month.hour);
    EXPECT_EQ(QStringLiteral("0"), month.minute);
    EXPECT_EQ(31, month.days);
    click(shown(monthly), kPatrolSet);
    EXPECT_EQ(kSettingSet, monthly.result());
    EXPECT_EQ(0x00020E02u, patrol);

    patrol = 1;
    CPatrolSettingDlg defaults(&parent, patrol, 0, 0, kTexts);
    const PatrolView first = viewOf(defaults);
    EXPECT_EQ(QStringLiteral("毎週"), first.kind);
    EXPECT_EQ(QStringLiteral("日曜"), first.day);
    EXPECT_EQ(QStringLiteral("0"), first.hour);
    EXPECT_FALSE(first.checked);
}

TEST_F(SettingsDialogTest, PatrolKindSwitchRefillsTheDaysAndTheBoxSwitchesTheLists) {
    std::uint32_t patrol = 0x1E0A0381;
    CPatrolSettingDlg dialog(&parent, patrol, 0, 0, kTexts);
    chooseKind(dialog, 1);
    EXPECT_EQ(31, viewOf(dialog).days);
    EXPECT_EQ(QStringLiteral("1"), viewOf(dialog).day);
    dialog.controlAs<QComboBox>(kPatrolDay)->setCurrentIndex(20);
    chooseKind(dialog, 1);  // the kind already shown: nothing changes
    EXPECT_EQ(QStringLiteral("21"), viewOf(dialog).day);
    chooseKind(dialog, 0);
    EXPECT_EQ(7, viewOf(dialog).days);
    EXPECT_EQ(QStringLiteral("日曜"), viewOf(dialog).day);

    click(dialog, kPatrolEnabled);  // unticked: lists off, selections kept
    EXPECT_FALSE(viewOf(dialog).listsEnabled);
    EXPECT_EQ(QStringLiteral("10"), viewOf(dialog).hour);
    click(shown(dialog), kPatrolSet);
    EXPECT_EQ(0x1E0A0001u, patrol);  // weekly, Sunday 10:30, bit 7 clear
}

TEST_F(SettingsDialogTest, PatrolWithAnUnknownKindOpensWithoutOneAndSetKeepsIt) {
    std::uint32_t patrol = 0x05040703;
    CPatrolSettingDlg dialog(&parent, patrol, 0, 0, kTexts);
    EXPECT_EQ(-1, dialog.controlAs<QComboBox>(kPatrolKind)->currentIndex());
    EXPECT_EQ(0, viewOf(dialog).days);
    EXPECT_EQ(QStringLiteral("4"), viewOf(dialog).hour);
    dialog.controlAs<QComboBox>(kPatrolHour)->setCurrentIndex(6);
    click(shown(dialog), kPatrolSet);
    EXPECT_EQ(0x05060703u, patrol);  // the kind and day as stored

    CPatrolSettingDlg escaped(&parent, patrol, 0, 0, kTexts);
    chooseKind(escaped, 1);
    press(&shown(escaped), Qt::Key_Escape);
    EXPECT_EQ(kSettingClosed, escaped.result());
    EXPECT_EQ(0x05060703u, patrol);
}

TEST_F(SettingsDialogTest, PatrolShowsTheNextRunTimeAsPublished) {
    platform::SystemTime time;
    time.year = 2027;
    time.month = 2;
    time.day = 28;
    time.hour = 3;
    time.minute = 5;
    const std::uint64_t fileTime = *platform::systemTimeToFileTime(time);
    std::uint32_t patrol = 0x05031C82;
    CPatrolSettingDlg dialog(&parent, patrol, static_cast<std::uint32_t>(fileTime >> 32), static_cast<std::uint32_t>(fileTime),
                             kTexts);
    EXPECT_EQ(QStringLiteral("次回の実行時間は 2027年02月28日(日曜) 03時05分 です"), dialog.controlText(kPatrolNextTime));
}

// ---- the openers in the information window

class SettingsOpenerTest : public testing::ServedFrameTest {};

TEST_F(SettingsOpenerTest, SetSendsTheSettingAndCancelEscAndCloseSendNothing) {
    serve(0, testing::presentPacket(0, kRaidNormal, "Lumavex ZDA-RS481"));
    MainFrame& frame = load();
    InformationWindowCommands& commands = frame.tabForm()->commands();

    {
        testing::ModalAnswer cancel([](QDialog& dialog) {
            static_cast<gui::TemplateDialog&>(dialog).controlAs<QComboBox>(kIntervalList)->setCurrentIndex(0);
            static_cast<gui::TemplateDialog&>(dialog).controlAs<QPushButton>(kIntervalCancel)->click();
        });
        commands.openIntervalSetting();
        EXPECT_TRUE(cancel.answered());
    }
    {
        testing::ModalAnswer escape([](QDialog& dialog) { press(&dialog, Qt::Key_Escape); });
        commands.openTemperatureSetting();
        EXPECT_TRUE(escape.answered());
    }
    {
        testing::ModalAnswer close([](QDialog& dialog) { dialog.close(); });
        commands.openPatrolSetting();
        EXPECT_TRUE(close.answered());
    }
    EXPECT_EQ(16u, dwsvc::readSetting(kIntervalSetting, 16));
    EXPECT_EQ(16u, frame.settings().interval);

    {
        testing::ModalAnswer set([](QDialog& dialog) {
            static_cast<gui::TemplateDialog&>(dialog).controlAs<QComboBox>(kIntervalList)->setCurrentIndex(7);
            static_cast<gui::TemplateDialog&>(dialog).controlAs<QPushButton>(kIntervalSet)->click();
        });
        commands.openIntervalSetting();
        EXPECT_TRUE(set.answered());
    }
    EXPECT_EQ(0x80u, frame.settings().interval);
    // The served pipe writes what the frame sent.
    EXPECT_TRUE(lmx::testing::eventually([] { return dwsvc::readSetting(kIntervalSetting, 16) == 0x80u; }));
}

TEST_F(SettingsOpenerTest, EachOpeningStartsFromTheRegistry) {
    serve(0, testing::presentPacket(0, kRaidNormal, "Lumavex ZDA-RS481"));
    MainFrame& frame = load();
    frame.settings().temperature = 0x1234;  // a copy the registry does not hold
    dwsvc::writeSetting(kTemperatureSetting, 0x4101);
    QString shownThreshold;
    testing::ModalAnswer look([&](QDialog& dialog) {
        shownThreshold = static_cast<gui::TemplateDialog&>(dialog).controlAs<QComboBox>(kTemperatureList)->currentText();
        dialog.close();
    });
    frame.tabForm()->commands().openTemperatureSetting();
    EXPECT_EQ(QStringLiteral("65 C"), shownThreshold);
    EXPECT_EQ(0x4101u, frame.settings().temperature);
}

TEST_F(SettingsOpenerTest, DisplaySettingSwitchesTheFormAtOnce) {
    serve(0, testing::presentPacket(0, kRaidNormal, "Lumavex ZDA-RS481"));
    MainFrame& frame = load();
    frame.showInfoDialog();
    ASSERT_TRUE(frame.tabForm()->isVisible());
    testing::ModalAnswer tick([](QDialog& dialog) {
        auto& setting = static_cast<gui::TemplateDialog&>(dialog);
        setting.controlAs<QCheckBox>(kDialogSettingBox)->setChecked(true);
        setting.controlAs<QPushButton>(kDialogSettingSet)->click();
    });
    frame.tabForm()->commands().openDialogSetting();
    EXPECT_TRUE(tick.answered());
    EXPECT_EQ(1u, frame.settings().dialog);
    EXPECT_TRUE(lmx::testing::eventually([] { return dwsvc::readSetting(kDialogSetting, 0) == 1u; }));
    EXPECT_FALSE(frame.tabForm()->isVisible());
    EXPECT_TRUE(frame.treeForm()->isVisible());
}

}  // namespace
}  // namespace lmx::tray
