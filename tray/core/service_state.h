#pragma once
// What the tray application reads about the service outside the pipe: its settings in the
// registry, the ServiceRunning flag, and whether its process runs.

#include <cstdint>
#include <string_view>

#include "common/service_key.h"
#include "tray/core/frame_settings.h"

namespace lmx::tray {

// The service's program file as the process list names it (program files have no extension here).
inline constexpr std::string_view kServiceExecutableName = "dwsvc";

// Reads value `name` of the service's key into `value` (the value's type is not examined; at
// most 4 bytes). True only when the key opened and the value was read; else `value` is untouched.
bool readServiceSetting(std::string_view name, std::uint32_t& value);

// The five cached settings, each with its default when it cannot be read.
FrameSettings loadFrameSettings();

// The value ServiceRunning, or 0 when the key or value cannot be read.
std::uint32_t isServiceRunningFlag();

// True when a process whose program file is "dwsvc" (any case) runs; false when the process
// list cannot be read.
bool isServiceProcessRunning();

}  // namespace lmx::tray
