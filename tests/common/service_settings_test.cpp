#include "common/service_settings.h"

#include <gtest/gtest.h>

namespace lmx {
namespace {

TEST(IntervalSetting, LowestSetBitOfTheTwelveSelectsTheInterval) {
    EXPECT_EQ(5'000u, intervalMilliseconds(0x001));
    EXPECT_EQ(10'000u, intervalMilliseconds(0x002));
    EXPECT_EQ(30'000u, intervalMilliseconds(0x004));
    EXPECT_EQ(300'000u, intervalMilliseconds(kDefaultIntervalSetting));
    EXPECT_EQ(86'400'000u, intervalMilliseconds(0x800));
    EXPECT_EQ(60'000u, intervalMilliseconds(0x18));  // bits 3 and 4: the lower one wins
}

TEST(IntervalSetting, NoBitAmongTheTwelveMeansFiveSeconds) {
    EXPECT_EQ(5'000u, intervalMilliseconds(0));
    EXPECT_EQ(5'000u, intervalMilliseconds(0x1000));
    EXPECT_EQ(5'000u, intervalMilliseconds(0xFFFFF000));
    EXPECT_EQ(10'800'000u, intervalMilliseconds(0xFFFFF100));
}

TEST(IntervalSetting, BitsSelectTheirIntervalsAndBack) {
    EXPECT_EQ(std::optional<unsigned>(4), intervalSettingBit(kDefaultIntervalSetting));
    EXPECT_EQ(std::optional<unsigned>(3), intervalSettingBit(0x18));
    EXPECT_EQ(std::nullopt, intervalSettingBit(0x1000));
    EXPECT_EQ(0x80u, intervalSettingForBit(7));
    EXPECT_EQ(0u, intervalSettingForBit(12));  // no such interval
    EXPECT_EQ(3'600'000u, intervalMillisecondsOfBit(7));
    for (unsigned bit = 0; bit < kIntervalBitCount; ++bit) {
        EXPECT_EQ(intervalMillisecondsOfBit(bit), intervalMilliseconds(intervalSettingForBit(bit)));
    }
}

TEST(PatrolSetting, PeriodFieldAsStored) {
    EXPECT_EQ(kPatrolPeriodWeekly, patrolPeriodField(0x1E0A0381));
    EXPECT_EQ(3, patrolPeriodField(0x05040783));
    EXPECT_EQ(0x05040783u, withPatrolPeriodField(0x05040782, 3));
    EXPECT_EQ(0x0504078Fu, withPatrolPeriodField(0x05040781, 0xFF));  // only the four bits
}

TEST(PatrolSetting, FieldsDecodeFromTheirBits) {
    const auto defaults = decodePatrolSetting(kDefaultPatrolSetting);
    EXPECT_EQ(PatrolPeriod::Weekly, defaults.period);
    EXPECT_FALSE(defaults.enabled);
    EXPECT_EQ(0, defaults.day);

    // Monthly on the 31st at 23:59, enabled.
    const auto monthly = decodePatrolSetting(0x3B171E82);
    EXPECT_EQ(PatrolPeriod::Monthly, monthly.period);
    EXPECT_TRUE(monthly.enabled);
    EXPECT_EQ(30, monthly.day);
    EXPECT_EQ(23, monthly.hour);
    EXPECT_EQ(59, monthly.minute);
    EXPECT_EQ(0x3B171E82u, encodePatrolSetting(monthly));

    // Every period value but 1 is monthly.
    EXPECT_EQ(PatrolPeriod::Monthly, decodePatrolSetting(0x0).period);
    EXPECT_EQ(PatrolPeriod::Monthly, decodePatrolSetting(0xF).period);
    EXPECT_EQ(PatrolPeriod::Weekly, decodePatrolSetting(0x11).period);  // bit 4 is not part of the period
}

TEST(TemperatureSetting, DefaultIsOffAtSixtyDegrees) {
    const auto alarm = decodeTemperatureSetting(kDefaultTemperatureSetting);
    EXPECT_FALSE(alarm.enabled);
    EXPECT_EQ(60, alarm.thresholdCelsius);
    EXPECT_EQ(0x4101u, encodeTemperatureSetting({true, 65}));
    EXPECT_TRUE(decodeTemperatureSetting(0x4101).enabled);
}

}  // namespace
}  // namespace lmx
