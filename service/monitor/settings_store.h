#pragma once
// The service's settings and the published controller state, as values under the service's
// registry key. The settings' names are common/service_key.h's, which the tray application
// reads as well; the service writes every value here: types, install-time order and
// defaults, and the names of the per-drive record values.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "common/controller_status_record.h"
#include "common/service_key.h"

namespace dwsvc {

using lmx::kAutoStart;
using lmx::kDialogSetting;
using lmx::kEventLogMaxSize;
using lmx::kIntervalSetting;
using lmx::kLanguage;
using lmx::kNextPatrolTimeHigh;
using lmx::kNextPatrolTimeLow;
using lmx::kPatrolSetting;
using lmx::kPopMsgSetting;
using lmx::kServiceRunning;
using lmx::kTemperatureSetting;
using lmx::kTextfileCollectorFolder;

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
// A REG_SZ setting; empty when the key or the value is missing.
std::string readStringSetting(std::string_view name);

// The record's 14 values under \Phy_n (n = its physicalNumber); failures are silent.
void publishRecord(const lmx::ControllerStatusRecord& record);
// Fills a cleared record from \Phy_n; missing values leave zeros.
void loadRecord(int physicalNumber, lmx::ControllerStatusRecord& record);

}  // namespace dwsvc
