#include "service/monitor/patrol_schedule.h"

#include <gtest/gtest.h>

#include "common/service_settings.h"

namespace dwsvc {
namespace {

platform::SystemTime localTime(int year, int month, int day, int hour, int minute, int second = 0) {
    platform::SystemTime time;
    time.year = static_cast<std::uint16_t>(year);
    time.month = static_cast<std::uint16_t>(month);
    time.day = static_cast<std::uint16_t>(day);
    time.hour = static_cast<std::uint16_t>(hour);
    time.minute = static_cast<std::uint16_t>(minute);
    time.second = static_cast<std::uint16_t>(second);
    // The day of week the calendar gives.
    time.dayOfWeek = platform::fileTimeToSystemTime(platform::systemTimeToFileTime(time).value()).dayOfWeek;
    return time;
}

std::uint64_t fileTime(int year, int month, int day, int hour, int minute) {
    return platform::systemTimeToFileTime(localTime(year, month, day, hour, minute)).value();
}

std::uint32_t weekly(int weekday, int hour, int minute) {
    return lmx::encodePatrolSetting({lmx::PatrolPeriod::Weekly, true, static_cast<std::uint8_t>(weekday),
                                     static_cast<std::uint8_t>(hour), static_cast<std::uint8_t>(minute)});
}

std::uint32_t monthly(int dayOfMonth, int hour, int minute) {
    return lmx::encodePatrolSetting({lmx::PatrolPeriod::Monthly, true, static_cast<std::uint8_t>(dayOfMonth - 1),
                                     static_cast<std::uint8_t>(hour), static_cast<std::uint8_t>(minute)});
}

TEST(PatrolSchedule, DisabledOrOutOfRangeMeansNone) {
    EXPECT_EQ(0u, nextPatrolTime(lmx::kDefaultPatrolSetting, localTime(2009, 3, 5, 10, 0)));
    EXPECT_EQ(0u, nextPatrolTime(weekly(2, 24, 0), localTime(2009, 3, 5, 10, 0)));
    EXPECT_EQ(0u, nextPatrolTime(weekly(2, 10, 60), localTime(2009, 3, 5, 10, 0)));
}

TEST(PatrolSchedule, WeeklyTodayWhenTheTimeHasNotPassed) {
    // 2009-03-05 is a Thursday (4).
    const auto thursday = localTime(2009, 3, 5, 10, 30, 45);
    EXPECT_EQ(fileTime(2009, 3, 5, 10, 30), nextPatrolTime(weekly(4, 10, 30), thursday));  // equal time: today
    EXPECT_EQ(fileTime(2009, 3, 5, 23, 0), nextPatrolTime(weekly(4, 23, 0), thursday));
    EXPECT_EQ(fileTime(2009, 3, 12, 10, 29), nextPatrolTime(weekly(4, 10, 29), thursday));  // passed: next week
    EXPECT_EQ(fileTime(2009, 3, 8, 0, 0), nextPatrolTime(weekly(0, 0, 0), thursday));      // Sunday
    EXPECT_EQ(fileTime(2009, 3, 11, 6, 15), nextPatrolTime(weekly(3, 6, 15), thursday));   // Wednesday
    // Across a month and a year end.
    EXPECT_EQ(fileTime(2010, 1, 2, 1, 0), nextPatrolTime(weekly(6, 1, 0), localTime(2009, 12, 29, 12, 0)));
}

TEST(PatrolSchedule, MonthlyUsesTheLastDayOfShortMonths) {
    // The 31st in a 30-day month runs on the 30th.
    EXPECT_EQ(fileTime(2009, 4, 30, 2, 0), nextPatrolTime(monthly(31, 2, 0), localTime(2009, 4, 10, 0, 0)));
    // February of a leap year: the 29th; of a common year: the 28th.
    EXPECT_EQ(fileTime(2008, 2, 29, 2, 0), nextPatrolTime(monthly(31, 2, 0), localTime(2008, 2, 1, 0, 0)));
    EXPECT_EQ(fileTime(2009, 2, 28, 2, 0), nextPatrolTime(monthly(30, 2, 0), localTime(2009, 2, 1, 0, 0)));
    // 2100 is not a leap year: its February has no 29th to schedule on.
    EXPECT_EQ(fileTime(2100, 2, 28, 2, 0), nextPatrolTime(monthly(29, 2, 0), localTime(2100, 2, 1, 0, 0)));
    // Strictly later: the moment itself moves on to next month.
    EXPECT_EQ(fileTime(2009, 6, 15, 8, 0), nextPatrolTime(monthly(15, 8, 0), localTime(2009, 5, 15, 8, 0)));
    EXPECT_EQ(fileTime(2010, 1, 1, 0, 0), nextPatrolTime(monthly(1, 0, 0), localTime(2009, 12, 1, 0, 1)));
}

TEST(PatrolSchedule, AfterAPatrolAt2355TheSuccessorIsComputedFromTheNextDay) {
    // Weekly every Thursday 23:55: after it fired, the schedule is computed from 00:05 on Friday.
    const auto fired = platform::systemTimeToFileTime(localTime(2009, 3, 5, 23, 55)).value();
    const auto from = platform::fileTimeToSystemTime(fired + kTenMinutes);
    EXPECT_EQ(5, from.dayOfWeek);  // Friday
    EXPECT_EQ(0, from.hour);
    EXPECT_EQ(5, from.minute);
    EXPECT_EQ(fileTime(2009, 3, 12, 23, 55), nextPatrolTime(weekly(4, 23, 55), from));
}

}  // namespace
}  // namespace dwsvc
