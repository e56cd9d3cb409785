// What the settings dialogs show for stored settings and store for the user's choices.

#include "tray/core/setting_choices.h"

#include <gtest/gtest.h>

#include "platform/system_time.h"
#include "tests/tray/core/japanese_strings.h"

namespace lmx::tray {
namespace {

const testing::JapaneseStrings kTexts;

TEST(IntervalChoices, TwelveEntriesAndTheLowestSetBit) {
    const auto entries = intervalListTexts(kTexts);
    EXPECT_EQ((std::vector<std::string>{" 5秒", "10秒", "30秒", " 1分", " 5分", "10分", "30分", " 1時間", " 3時間", " 6時間",
                                        "12時間", "24時間"}),
              entries);
    EXPECT_EQ(4, intervalListIndex(16));    // 5 minutes
    EXPECT_EQ(3, intervalListIndex(0x18));  // 1 minute: the lower bit
    EXPECT_EQ(1, intervalListIndex(0));     // no bit: the 10-second entry
    EXPECT_EQ(1, intervalListIndex(0x1000));
    EXPECT_EQ(0x80u, intervalSettingOfIndex(7));  // 1 hour
    EXPECT_EQ(2u, intervalSettingOfIndex(intervalListIndex(0x1000)));
    EXPECT_EQ(0x800u, intervalSettingOfIndex(11));
}

TEST(PatrolChoices, StoredValuesOpenAsTheirFields) {
    const PatrolChoices weekly = patrolChoicesOf(0x1E0A0381);
    EXPECT_TRUE(weekly.enabled);
    EXPECT_EQ(kPatrolKindWeekly, weekly.kind);
    EXPECT_EQ(3, weekly.day);  // Wednesday
    EXPECT_EQ(10, weekly.hour);
    EXPECT_EQ(30, weekly.minute);
    EXPECT_EQ(0x1E0A0381u, patrolSettingOf(0x1E0A0381, weekly));

    const PatrolChoices monthly = patrolChoicesOf(0x00020E02);
    EXPECT_FALSE(monthly.enabled);
    EXPECT_EQ(kPatrolKindMonthly, monthly.kind);
    EXPECT_EQ(14, monthly.day);  // the 15th
    EXPECT_EQ(2, monthly.hour);
    EXPECT_EQ(0, monthly.minute);
    EXPECT_EQ(0x00020E02u, patrolSettingOf(0x00020E02, monthly));

    const PatrolChoices defaults = patrolChoicesOf(1);
    EXPECT_FALSE(defaults.enabled);
    EXPECT_EQ(kPatrolKindWeekly, defaults.kind);
    EXPECT_EQ(0, defaults.day);
    EXPECT_EQ(0, defaults.hour);
    EXPECT_EQ(0, defaults.minute);
}

TEST(PatrolChoices, SetPacksTheChoicesAndDropsUnusedBits) {
    PatrolChoices choices = patrolChoicesOf(0x1E0A0381);
    choices.enabled = false;  // unticked: the schedule stays, bit 7 goes
    EXPECT_EQ(0x1E0A0301u, patrolSettingOf(0x1E0A0381, choices));
    choices = {true, kPatrolKindMonthly, 30, 23, 59};
    EXPECT_EQ(0x3B171E82u, patrolSettingOf(1, choices));
    EXPECT_EQ(0x00000081u, patrolSettingOf(0x00000071, {true, kPatrolKindWeekly, 0, 0, 0}));  // bits 4-6 are 0
}

TEST(PatrolChoices, FieldsWithoutAListEntryKeepTheirStoredValue) {
    // Kind 3 is neither weekly nor monthly: no kind and no day are selected, and Set keeps both.
    const PatrolChoices unknown = patrolChoicesOf(0x05040703);
    EXPECT_EQ(std::nullopt, unknown.kind);
    EXPECT_EQ(std::nullopt, unknown.day);
    EXPECT_EQ(4, unknown.hour);
    EXPECT_EQ(0x05040703u, patrolSettingOf(0x05040703, unknown));
    PatrolChoices changed = unknown;
    changed.enabled = true;
    changed.hour = 6;
    EXPECT_EQ(0x05060783u, patrolSettingOf(0x05040703, changed));
    // Choosing a kind stores it with its day.
    changed.kind = kPatrolKindWeekly;
    changed.day = 2;
    EXPECT_EQ(0x05060281u, patrolSettingOf(0x05040703, changed));

    // A weekday beyond Saturday, a day beyond the 31st, an hour beyond 23, a minute beyond 59.
    const PatrolChoices beyond = patrolChoicesOf(0x3C180701);
    EXPECT_EQ(kPatrolKindWeekly, beyond.kind);
    EXPECT_EQ(std::nullopt, beyond.day);
    EXPECT_EQ(std::nullopt, beyond.hour);
    EXPECT_EQ(std::nullopt, beyond.minute);
    EXPECT_EQ(0x3C180701u, patrolSettingOf(0x3C180701, beyond));
    EXPECT_EQ(std::nullopt, patrolChoicesOf(0x00001F02).day);
    EXPECT_EQ(30, patrolChoicesOf(0x00001E02).day);
}

TEST(PatrolChoices, DayListsPerKind) {
    const auto weekdays = patrolDayTexts(kPatrolKindWeekly, kTexts);
    EXPECT_EQ((std::vector<std::string>{"日曜", "月曜", "火曜", "水曜", "木曜", "金曜", "土曜"}), weekdays);
    const auto days = patrolDayTexts(kPatrolKindMonthly, kTexts);
    ASSERT_EQ(31u, days.size());
    EXPECT_EQ("1", days.front());
    EXPECT_EQ("31", days.back());
    EXPECT_TRUE(patrolDayTexts(std::nullopt, kTexts).empty());
    EXPECT_EQ((std::vector<std::string>{"0", "1", "2"}), numberTexts(0, 2));
}

TEST(PatrolChoices, NextRunTimeText) {
    EXPECT_EQ("次回の実行時間は設定されていません", nextPatrolTimeText(0, 0, kTexts));
    platform::SystemTime time;
    time.year = 2026;
    time.month = 12;
    time.day = 9;
    time.hour = 10;
    time.minute = 30;
    const std::uint64_t fileTime = *platform::systemTimeToFileTime(time);
    EXPECT_EQ("次回の実行時間は 2026年12月09日(水曜) 10時30分 です",
              nextPatrolTimeText(static_cast<std::uint32_t>(fileTime >> 32), static_cast<std::uint32_t>(fileTime), kTexts));
    // Only the low half set is a time as well (early 1601).
    EXPECT_EQ("次回の実行時間は 1601年01月01日(月曜) 00時00分 です", nextPatrolTimeText(0, 1, kTexts));
}

TEST(TemperatureChoices, ThresholdListAndPacking) {
    const auto entries = thresholdListTexts();
    ASSERT_EQ(40u, entries.size());
    EXPECT_EQ("30 C", entries.front());
    EXPECT_EQ("69 C", entries.back());

    EXPECT_EQ(std::optional<int>(30), thresholdListIndex(0x3C00));  // 60 °C
    EXPECT_EQ(std::optional<int>(35), thresholdListIndex(0x4101));
    EXPECT_EQ(0x3201u, temperatureSettingOf(0x4101, true, 20));  // 50 °C chosen
    EXPECT_EQ(std::optional<int>(0), thresholdListIndex(0x1401));  // 20 °C: the first entry
    EXPECT_EQ(0x1E01u, temperatureSettingOf(0x1401, true, thresholdListIndex(0x1401)));
    EXPECT_EQ(0x4100u, temperatureSettingOf(0x4101, false, 35));  // unticked: the threshold stays
    EXPECT_EQ(0x3C01u, temperatureSettingOf(0xFFFF3CFE, true, 30));  // other bits 0

    // Above 69 there is no entry: Set keeps the stored threshold.
    EXPECT_EQ(std::nullopt, thresholdListIndex(0x4600));
    EXPECT_EQ(0x4601u, temperatureSettingOf(0x4600, true, std::nullopt));
    EXPECT_EQ(std::optional<int>(39), thresholdListIndex(0x4500));
}

}  // namespace
}  // namespace lmx::tray
