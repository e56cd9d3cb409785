#pragma once
// When the next scheduled patrol (surface verify) is due.

#include <cstdint>

#include "platform/system_time.h"

namespace dwsvc {

inline constexpr std::uint64_t kTenMinutes = 10ULL * 60 * platform::kFileTimeTicksPerSecond;
inline constexpr std::uint64_t kPatrolGrace = 60ULL * platform::kFileTimeTicksPerSecond;

// The next patrol time after `from` (local time) as a FILETIME, or 0 when the schedule is
// disabled or its fields are out of range. Weekly: today when the time of day has not passed
// (equal counts as not passed), else the next such weekday. Monthly: the first month, from this
// one, whose day (the last day when the month is shorter) at the time is strictly later.
std::uint64_t nextPatrolTime(std::uint32_t patrolSetting, const platform::SystemTime& from);

}  // namespace dwsvc
