#pragma once
// The service's settings and the published controller state, as values under the service's
// registry key. The only place that knows the value names, types, order and defaults.

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "common/controller_status_record.h"

namespace dwsvc {

inline constexpr std::string_view kAutoStart = "AutoStart";
inline constexpr std::string_view kIntervalSetting = "IntervalSetting";
inline constexpr std::string_view kNextPatrolTimeHigh = "NextPatrolTimeHigh";
inline constexpr std::string_view kNextPatrolTimeLow = "NextPatrolTimeLow";
inline constexpr std::string_view kPatrolSetting = "PatrolSetting";
inline constexpr std::string_view kPopMsgSetting = "PopMsgSetting";
inline constexpr std::string_view kServiceRunning = "ServiceRunning";
inline constexpr std::string_view kTemperatureSetting = "TemperatureSetting";
inline constexpr std::string_view kDialogSetting = "DialogSetting";
inline constexpr std::string_view kLanguage = "Language";

// Install-time defaults and empty per-drive keys. Prints "Failed open registry key." to `out`
// and stops when a key can be neither opened nor created.
bool writeDefaults(std::FILE* out);

// One REG_DWORD setting, written at once: 0, or the platform's error code (112 disk full, 19
// read-only file system, 5 not allowed …).
std::uint32_t storeSetting(std::string_view name, std::uint32_t value);
// One REG_DWORD setting of the running service; failures are silent but nothing is lost: a
// value that could not be written is kept and written by the next writeSetting or
// writePendingSettings that succeeds, and readSetting gives it meanwhile.
void writeSetting(std::string_view name, std::uint32_t value);
// Writes the values kept by failed writeSetting calls (and the registry's copy for other users
// when it fell behind); true when no value is left.
bool writePendingSettings();
// The setting, or `defaultValue` when the key or the value is missing.
std::uint32_t readSetting(std::string_view name, std::uint32_t defaultValue);

// The record's 14 values under \Phy_n (n = its physicalNumber); failures are silent.
void publishRecord(const lmx::ControllerStatusRecord& record);
// Fills a cleared record from \Phy_n; missing values leave zeros.
void loadRecord(int physicalNumber, lmx::ControllerStatusRecord& record);

}  // namespace dwsvc
