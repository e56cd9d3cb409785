#pragma once
// Calendar time as the programs use it (SYSTEMTIME) and its FILETIME form: 100-ns units since
// 1601-01-01. Both conversions are pure arithmetic on the proleptic Gregorian calendar.

#include <cstdint>
#include <optional>

namespace platform {

struct SystemTime {
    std::uint16_t year = 1601;
    std::uint16_t month = 1;      // 1-12
    std::uint16_t dayOfWeek = 1;  // 0 = Sunday … 6 = Saturday
    std::uint16_t day = 1;        // 1-31
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;
};

inline constexpr std::uint64_t kFileTimeTicksPerSecond = 10'000'000;
// FILETIME of 1970-01-01 00:00:00.
inline constexpr std::uint64_t kUnixEpochFileTime = 116'444'736'000'000'000ULL;

// Fails (empty) for fields out of range; the day of week is not read.
std::optional<std::uint64_t> systemTimeToFileTime(const SystemTime& time);
SystemTime fileTimeToSystemTime(std::uint64_t fileTime);

}  // namespace platform
