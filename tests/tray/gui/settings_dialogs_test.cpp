// The settings dialogs through the dialog layer (Qt's offscreen platform on Linux, the dialog
// manager under Wine): what they open with, what Set stores and how they end.

#include <gtest/gtest.h>

#include "common/tray_messages.h"
#include "gui/dialog_window.h"
#include "gui/message_box.h"
#include "gui/string_table.h"
#include "platform/system_time.h"
#include "tests/gui/test_application.h"
#include "tray/gui/dialog_setting_dialog.h"
#include "tray/gui/interval_setting_dialog.h"
#include "tray/gui/patrol_setting_dialog.h"
#include "tray/gui/popup_setting_dialog.h"
#include "tray/gui/temperature_setting_dialog.h"

namespace lmx::tray {
namespace {

// The tray's texts from the string table.
class TableTexts final : public StringSource {
public:
    std::string load(int id) const override { return gui::loadString(id); }
};
const TableTexts kTexts;

std::unique_ptr<gui::DialogWindow> emptyWindow() {
    gui::testing::startGuiForTests();
    return gui::createDialogWindow(gui::DialogTemplate{});
}

// The entry a drop-down list shows: the selected one's text, empty without a selection.
std::string shownItem(gui::DialogWindow& window, int list) {
    const auto index = window.selectedItem(list);
    return index ? window.items(list).at(static_cast<std::size_t>(*index)) : std::string();
}

// The information window a settings dialog reports to: it records the messages it gets and
// what the setting's copy held when each came.
class RecordingOwner {
public:
    explicit RecordingOwner(const std::uint32_t& watched) : window_(emptyWindow()) {
        window_->setWindowProcedure([this, &watched](std::uint32_t message, std::uintptr_t, std::intptr_t) -> std::intptr_t {
            messages.push_back({message, watched});
            return 0;
        });
    }
    gui::DialogWindow& window() { return *window_; }
    std::vector<std::pair<std::uint32_t, std::uint32_t>> messages;

private:
    std::unique_ptr<gui::DialogWindow> window_;
};

// Shows the dialog modeless, so that the test can work it and read its result.
template <typename Dialog>
gui::DialogWindow& shown(Dialog& dialog) {
    dialog.window().show();
    return dialog.window();
}

class SettingsDialogTest : public ::testing::Test {
protected:
    std::unique_ptr<gui::DialogWindow> parentWindow = emptyWindow();
    gui::DialogWindow* parent = parentWindow.get();
};

TEST_F(SettingsDialogTest, IntervalOpensOnTheLowestBitAndStoresOneBit) {
    std::uint32_t interval = 16;
    CIntervalSetting dialog(parent, interval, kTexts);
    gui::DialogWindow& window = dialog.window();
    EXPECT_EQ("監視インターバル設定", window.caption());
    EXPECT_EQ("ステータス取得間隔", window.text(kIntervalLabel));
    EXPECT_EQ("設定(&S)", window.text(kIntervalSet));
    ASSERT_EQ(12u, window.items(kIntervalList).size());
    EXPECT_EQ(" 5分", shownItem(window, kIntervalList));
    window.selectItem(kIntervalList, 7);  // 1 hour
    shown(dialog).click(kIntervalSet);
    EXPECT_EQ(kSettingSet, window.result());
    EXPECT_EQ(0x80u, interval);

    for (std::uint32_t value : {0x0u, 0x1000u}) {
        interval = value;
        CIntervalSetting none(parent, interval, kTexts);
        EXPECT_EQ(1, none.window().selectedItem(kIntervalList));  // 10 seconds
        shown(none).click(kIntervalSet);
        EXPECT_EQ(2u, interval);
    }
    interval = 0x18;
    CIntervalSetting lowest(parent, interval, kTexts);
    EXPECT_EQ(3, lowest.window().selectedItem(kIntervalList));  // 1 minute
}

TEST_F(SettingsDialogTest, CancelEscAndTheCloseBoxStoreNothingAndEnterDoesNothing) {
    std::uint32_t interval = 16;
    CIntervalSetting dialog(parent, interval, kTexts);
    dialog.window().selectItem(kIntervalList, 0);
    shown(dialog).pressKey(gui::DialogKey::Enter);
    EXPECT_TRUE(dialog.window().isVisible());
    dialog.window().click(kIntervalCancel);
    EXPECT_EQ(kSettingCancel, dialog.window().result());

    CIntervalSetting escaped(parent, interval, kTexts);
    shown(escaped).pressKey(gui::DialogKey::Escape);
    EXPECT_FALSE(escaped.window().isVisible());
    EXPECT_EQ(kSettingClosed, escaped.window().result());
    CIntervalSetting closed(parent, interval, kTexts);
    EXPECT_TRUE(shown(closed).close());
    EXPECT_EQ(kSettingClosed, closed.window().result());
    EXPECT_EQ(16u, interval);
}

TEST_F(SettingsDialogTest, DisplaySettingStoresOneOrZeroAndHasTheWindowRebuildFirst) {
    std::uint32_t dialogSetting = 5;
    RecordingOwner owner(dialogSetting);
    CDialogSetting dialog(owner.window(), dialogSetting);
    EXPECT_EQ("RAID情報表示設定", dialog.window().caption());
    EXPECT_EQ("階層表示", dialog.window().text(kDialogSettingBox));
    EXPECT_TRUE(dialog.window().isChecked(kDialogSettingBox));
    shown(dialog).click(kDialogSettingSet);
    EXPECT_EQ(kSettingSet, dialog.window().result());
    EXPECT_EQ(1u, dialogSetting);
    ASSERT_EQ(1u, owner.messages.size());
    EXPECT_EQ(UWM_INFO_REFRESH, owner.messages[0].first);
    EXPECT_EQ(1u, owner.messages[0].second);  // the copy was stored before the rebuild

    CDialogSetting unticked(owner.window(), dialogSetting);
    shown(unticked).click(kDialogSettingBox);
    unticked.window().click(kDialogSettingSet);
    EXPECT_EQ(0u, dialogSetting);

    CDialogSetting cancelled(owner.window(), dialogSetting);
    shown(cancelled).click(kDialogSettingBox);
    cancelled.window().click(kDialogSettingCancel);
    EXPECT_EQ(kSettingCancel, cancelled.window().result());
    EXPECT_EQ(0u, dialogSetting);
    EXPECT_EQ(2u, owner.messages.size());
}

TEST_F(SettingsDialogTest, TemperatureOpensWithTheThresholdAndStoresTheChoice) {
    std::uint32_t temperature = 0x3C00;
    RecordingOwner owner(temperature);
    {
        TemperatureSetting dialog(owner.window(), temperature);
        gui::DialogWindow& window = dialog.window();
        EXPECT_EQ("温度監視設定", window.caption());
        EXPECT_EQ("閾値温度", window.text(kTemperatureLabel));
        EXPECT_FALSE(window.isChecked(kTemperatureBox));
        EXPECT_FALSE(window.isEnabled(kTemperatureList));
        ASSERT_EQ(40u, window.items(kTemperatureList).size());
        EXPECT_EQ("60 C", shownItem(window, kTemperatureList));
        // The box switches the list; the selection stays.
        window.click(kTemperatureBox);
        EXPECT_TRUE(window.isEnabled(kTemperatureList));
        EXPECT_EQ("60 C", shownItem(window, kTemperatureList));
    }

    temperature = 0x4101;
    TemperatureSetting dialog(owner.window(), temperature);
    EXPECT_TRUE(dialog.window().isChecked(kTemperatureBox));
    EXPECT_EQ("65 C", shownItem(dialog.window(), kTemperatureList));
    dialog.window().selectItem(kTemperatureList, 20);
    shown(dialog).click(kTemperatureSet);
    EXPECT_EQ(kSettingSet, dialog.window().result());
    EXPECT_EQ(0x3201u, temperature);
    ASSERT_EQ(1u, owner.messages.size());
    EXPECT_EQ(std::make_pair(UWM_INFO_REFRESH, 0x3201u), owner.messages[0]);

    temperature = 0x1401;  // 20 °C: below the list
    TemperatureSetting low(owner.window(), temperature);
    EXPECT_EQ("30 C", shownItem(low.window(), kTemperatureList));
    shown(low).click(kTemperatureSet);
    EXPECT_EQ(0x1E01u, temperature);

    // Unticking keeps the threshold shown, with the alarm bit clear.
    TemperatureSetting off(owner.window(), temperature);
    off.window().click(kTemperatureBox);
    EXPECT_FALSE(off.window().isEnabled(kTemperatureList));
    shown(off).click(kTemperatureSet);
    EXPECT_EQ(0x1E00u, temperature);
}

TEST_F(SettingsDialogTest, TemperatureAboveTheListOpensWithoutASelectionAndSetKeepsIt) {
    std::uint32_t temperature = 0x4B01;  // 75 °C
    RecordingOwner owner(temperature);
    TemperatureSetting dialog(owner.window(), temperature);
    EXPECT_EQ(std::nullopt, dialog.window().selectedItem(kTemperatureList));
    dialog.window().click(kTemperatureBox);  // the alarm off, the threshold untouched
    shown(dialog).click(kTemperatureSet);
    EXPECT_EQ(0x4B00u, temperature);

    TemperatureSetting escaped(owner.window(), temperature);
    escaped.window().selectItem(kTemperatureList, 0);
    shown(escaped).pressKey(gui::DialogKey::Escape);
    EXPECT_EQ(kSettingClosed, escaped.window().result());
    EXPECT_EQ(0x4B00u, temperature);
    EXPECT_EQ(1u, owner.messages.size());
}

struct PatrolView {
    bool checked;
    bool listsEnabled;
    std::string kind;
    std::string day;
    std::string hour;
    std::string minute;
    int days;
};

PatrolView viewOf(CPatrolSettingDlg& dialog) {
    gui::DialogWindow& window = dialog.window();
    return {window.isChecked(kPatrolEnabled),
            window.isEnabled(kPatrolKind) && window.isEnabled(kPatrolDay) && window.isEnabled(kPatrolHour) &&
                window.isEnabled(kPatrolMinute),
            shownItem(window, kPatrolKind),
            shownItem(window, kPatrolDay),
            shownItem(window, kPatrolHour),
            shownItem(window, kPatrolMinute),
            static_cast<int>(window.items(kPatrolDay).size())};
}

void chooseKind(CPatrolSettingDlg& dialog, int index) {
    dialog.window().chooseItem(kPatrolKind, index);
}

TEST_F(SettingsDialogTest, PatrolOpensWithTheStoredScheduleAndSetStoresItAgain) {
    std::uint32_t patrol = 0x1E0A0381;
    CPatrolSettingDlg weekly(parent, patrol, 0, 0, kTexts);
    EXPECT_EQ("ベリファイスケジュール設定", weekly.window().caption());
    const PatrolView view = viewOf(weekly);
    EXPECT_TRUE(view.checked);
    EXPECT_TRUE(view.listsEnabled);
    EXPECT_EQ("毎週", view.kind);
    EXPECT_EQ("水曜", view.day);
    EXPECT_EQ("10", view.hour);
    EXPECT_EQ("30", view.minute);
    EXPECT_EQ(7, view.days);
    EXPECT_EQ("次回の実行時間は設定されていません", weekly.window().text(kPatrolNextTime));

    patrol = 0x00020E02;
    CPatrolSettingDlg monthly(parent, patrol, 0, 0, kTexts);
    const PatrolView month = viewOf(monthly);
    EXPECT_FALSE(month.checked);
    EXPECT_FALSE(monthly.window().isEnabled(kPatrolKind));
    EXPECT_EQ("毎月", month.kind);
    EXPECT_EQ("15", month.day);
    EXPECT_EQ("2", month.hour);
    EXPECT_EQ("0", month.minute);
    EXPECT_EQ(31, month.days);
    shown(monthly).click(kPatrolSet);
    EXPECT_EQ(kSettingSet, monthly.window().result());
    EXPECT_EQ(0x00020E02u, patrol);

    patrol = 1;
    CPatrolSettingDlg defaults(parent, patrol, 0, 0, kTexts);
    const PatrolView first = viewOf(defaults);
    EXPECT_EQ("毎週", first.kind);
    EXPECT_EQ("日曜", first.day);
    EXPECT_EQ("0", first.hour);
    EXPECT_FALSE(first.checked);
}

TEST_F(SettingsDialogTest, PatrolKindSwitchRefillsTheDaysAndTheBoxSwitchesTheLists) {
    std::uint32_t patrol = 0x1E0A0381;
    CPatrolSettingDlg dialog(parent, patrol, 0, 0, kTexts);
    chooseKind(dialog, 1);
    EXPECT_EQ(31, viewOf(dialog).days);
    EXPECT_EQ("1", viewOf(dialog).day);
    dialog.window().selectItem(kPatrolDay, 20);
    chooseKind(dialog, 1);  // the kind already shown: nothing changes
    EXPECT_EQ("21", viewOf(dialog).day);
    chooseKind(dialog, 0);
    EXPECT_EQ(7, viewOf(dialog).days);
    EXPECT_EQ("日曜", viewOf(dialog).day);

    dialog.window().click(kPatrolEnabled);  // unticked: lists off, selections kept
    EXPECT_FALSE(viewOf(dialog).listsEnabled);
    EXPECT_EQ("10", viewOf(dialog).hour);
    shown(dialog).click(kPatrolSet);
    EXPECT_EQ(0x1E0A0001u, patrol);  // weekly, Sunday 10:30, bit 7 clear
}

TEST_F(SettingsDialogTest, PatrolWithAnUnknownKindOpensWithoutOneAndSetKeepsIt) {
    std::uint32_t patrol = 0x05040703;
    CPatrolSettingDlg dialog(parent, patrol, 0, 0, kTexts);
    EXPECT_EQ(std::nullopt, dialog.window().selectedItem(kPatrolKind));
    EXPECT_EQ(0, viewOf(dialog).days);
    EXPECT_EQ("4", viewOf(dialog).hour);
    dialog.window().selectItem(kPatrolHour, 6);
    shown(dialog).click(kPatrolSet);
    EXPECT_EQ(0x05060703u, patrol);  // the kind and day as stored

    CPatrolSettingDlg escaped(parent, patrol, 0, 0, kTexts);
    chooseKind(escaped, 1);
    shown(escaped).pressKey(gui::DialogKey::Escape);
    EXPECT_EQ(kSettingClosed, escaped.window().result());
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
    CPatrolSettingDlg dialog(parent, patrol, static_cast<std::uint32_t>(fileTime >> 32), static_cast<std::uint32_t>(fileTime),
                             kTexts);
    EXPECT_EQ("次回の実行時間は 2027年02月28日(日曜) 03時05分 です", dialog.window().text(kPatrolNextTime));
}


TEST_F(SettingsDialogTest, PopupSettingShowsTheValueAndSetPacksIt) {
    // Normal: shown, until closed; rebuild: hidden, 60 s; abnormal: shown, 90 s.
    PopupSettingDialog dialog(0x880481, kTexts);
    gui::DialogWindow& window = dialog.window();
    EXPECT_TRUE(window.isChecked(kPopupSettingShow[0]));
    EXPECT_FALSE(window.isChecked(kPopupSettingShow[1]));
    EXPECT_FALSE(window.isEnabled(kPopupSettingTime[1]));
    EXPECT_EQ(2, window.selectedItem(kPopupSettingTime[1]));
    EXPECT_EQ(3, window.selectedItem(kPopupSettingTime[2]));
    ASSERT_EQ(5u, window.items(kPopupSettingTime[0]).size());
    EXPECT_EQ(gui::loadString(176), window.items(kPopupSettingTime[0])[0]);

    window.click(kPopupSettingShow[1]);
    EXPECT_TRUE(window.isEnabled(kPopupSettingTime[1]));
    window.selectItem(kPopupSettingTime[2], 4);
    shown(dialog).click(kPopupSettingAccept);
    EXPECT_EQ(gui::IdOk, window.result());
    EXPECT_EQ(0x908481u, dialog.value());

    PopupSettingDialog cancelled(0x818181, kTexts);
    shown(cancelled).click(kPopupSettingCancel);
    EXPECT_EQ(gui::IdCancel, cancelled.window().result());
}

}  // namespace
}  // namespace lmx::tray
