#include "platform/system_time.h"

namespace platform {

namespace {

// Days since 1970-01-01 of a civil date (H. Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void civilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2);
}

bool isLeapYear(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned daysInMonth(unsigned year, unsigned month) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

constexpr std::int64_t kDaysFrom1601To1970 = 134774;
constexpr std::uint64_t kTicksPerDay = 86'400ULL * kFileTimeTicksPerSecond;

}  // namespace

std::optional<std::uint64_t> systemTimeToFileTime(const SystemTime& time) {
    if (time.year < 1601 || time.year > 30827 || time.month < 1 || time.month > 12 || time.day < 1 ||
        time.day > daysInMonth(time.year, time.month) || time.hour > 23 || time.minute > 59 ||
        time.second > 59 || time.milliseconds > 999) {
        return std::nullopt;
    }
    const std::int64_t days = daysFromCivil(time.year, time.month, time.day) + kDaysFrom1601To1970;
    const std::uint64_t seconds = std::uint64_t{time.hour} * 3600 + std::uint64_t{time.minute} * 60 + time.second;
    return static_cast<std::uint64_t>(days) * kTicksPerDay + seconds * kFileTimeTicksPerSecond +
           std::uint64_t{time.milliseconds} * 10'000;
}

SystemTime fileTimeToSystemTime(std::uint64_t fileTime) {
    const auto days = static_cast<std::int64_t>(fileTime / kTicksPerDay);
    const std::uint64_t ticksOfDay = fileTime % kTicksPerDay;
    std::int64_t year = 0;
    unsigned month = 0, day = 0;
    civilFromDays(days - kDaysFrom1601To1970, year, month, day);
    SystemTime time;
    time.year = static_cast<std::uint16_t>(year);
    time.month = static_cast<std::uint16_t>(month);
    time.day = static_cast<std::uint16_t>(day);
    time.dayOfWeek = static_cast<std::uint16_t>((days + 1) % 7);  // 1601-01-01 was a Monday
    const std::uint64_t seconds = ticksOfDay / kFileTimeTicksPerSecond;
    time.hour = static_cast<std::uint16_t>(seconds / 3600);
    time.minute = static_cast<std::uint16_t>(seconds / 60 % 60);
    time.second = static_cast<std::uint16_t>(seconds % 60);
    time.milliseconds = static_cast<std::uint16_t>(ticksOfDay % kFileTimeTicksPerSecond / 10'000);
    return time;
}

}  // namespace platform
