#include "platform/system_time.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(SystemTime, FileTimeEpochsAndKnownDates) {
    EXPECT_EQ(0u, systemTimeToFileTime({1601, 1, 1, 1, 0, 0, 0, 0}).value());
    EXPECT_EQ(kUnixEpochFileTime, systemTimeToFileTime({1970, 1, 4, 1, 0, 0, 0, 0}).value());
    const auto t = systemTimeToFileTime({2009, 3, 0, 5, 14, 7, 9, 250}).value();
    const auto back = fileTimeToSystemTime(t);
    EXPECT_EQ(2009, back.year);
    EXPECT_EQ(3, back.month);
    EXPECT_EQ(5, back.day);
    EXPECT_EQ(4, back.dayOfWeek);  // a Thursday
    EXPECT_EQ(14, back.hour);
    EXPECT_EQ(7, back.minute);
    EXPECT_EQ(9, back.second);
    EXPECT_EQ(250, back.milliseconds);
}

TEST(SystemTime, LeapDaysAndInvalidFields) {
    EXPECT_TRUE(systemTimeToFileTime({2024, 2, 0, 29, 0, 0, 0, 0}).has_value());
    EXPECT_FALSE(systemTimeToFileTime({2100, 2, 0, 29, 0, 0, 0, 0}).has_value());
    EXPECT_TRUE(systemTimeToFileTime({2000, 2, 0, 29, 0, 0, 0, 0}).has_value());
    EXPECT_FALSE(systemTimeToFileTime({2009, 4, 0, 31, 0, 0, 0, 0}).has_value());
    EXPECT_FALSE(systemTimeToFileTime({2009, 13, 0, 1, 0, 0, 0, 0}).has_value());
    EXPECT_FALSE(systemTimeToFileTime({2009, 1, 0, 1, 24, 0, 0, 0}).has_value());

    const auto march1 = fileTimeToSystemTime(systemTimeToFileTime({2024, 2, 0, 29, 23, 59, 59, 999}).value() + 10'000);
    EXPECT_EQ(3, march1.month);
    EXPECT_EQ(1, march1.day);
    EXPECT_EQ(0, march1.hour);
}

}  // namespace
}  // namespace platform
