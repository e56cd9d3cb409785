#include "service/monitor/patrol_schedule.h"

#include "common/service_settings.h"

namespace dwsvc {

namespace {

constexpr std::uint64_t kDay = 86'400ULL * platform::kFileTimeTicksPerSecond;

bool isLeapYear(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned daysInMonth(unsigned year, unsigned month) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

std::uint64_t at(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute) {
    platform::SystemTime time;
    time.year = static_cast<std::uint16_t>(year);
    time.month = static_cast<std::uint16_t>(month);
    time.day = static_cast<std::uint16_t>(day);
    time.hour = static_cast<std::uint16_t>(hour);
    time.minute = static_cast<std::uint16_t>(minute);
    return platform::systemTimeToFileTime(time).value_or(0);
}

}  // namespace

std::uint64_t nextPatrolTime(std::uint32_t patrolSetting, const platform::SystemTime& from) {
    const auto schedule = lmx::decodePatrolSetting(patrolSetting);
    if (!schedule.enabled || schedule.hour > 23 || schedule.minute > 59) return 0;

    if (schedule.period == lmx::PatrolPeriod::Weekly) {
        const unsigned weekday = schedule.day % 7;
        if (weekday == from.dayOfWeek && schedule.hour * 60u + schedule.minute >= from.hour * 60u + from.minute) {
            return at(from.year, from.month, from.day, schedule.hour, schedule.minute);
        }
        unsigned days = (weekday + 7 - from.dayOfWeek) % 7;
        if (days == 0) days = 7;
        const auto fromFileTime = platform::systemTimeToFileTime(from);
        if (!fromFileTime) return 0;
        const auto date = platform::fileTimeToSystemTime(*fromFileTime + days * kDay);
        return at(date.year, date.month, date.day, schedule.hour, schedule.minute);
    }

    const auto fromFileTime = platform::systemTimeToFileTime(from);
    if (!fromFileTime || schedule.day > 30) return 0;
    unsigned year = from.year;
    unsigned month = from.month;
    // Within two months some month has the day (or its last day) later than `from`.
    for (int i = 0; i < 3; ++i) {
        const unsigned lastDay = daysInMonth(year, month);
        const unsigned day = (schedule.day < lastDay - 1 ? schedule.day : lastDay - 1) + 1u;
        const std::uint64_t candidate = at(year, month, day, schedule.hour, schedule.minute);
        if (candidate > *fromFileTime) return candidate;
        if (++month > 12) {
            month = 1;
            ++year;
        }
    }
    return 0;
}

}  // namespace dwsvc
