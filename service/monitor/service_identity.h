#pragma once
// Who the monitoring service is: its name (also the event source and the registry key name),
// display name and description.

#include <string_view>

#include "common/service_key.h"
#include "platform/program_file_macros.h"

namespace dwsvc {

inline constexpr std::string_view kServiceName = "LMXDuowatch";
inline constexpr std::string_view kServiceDisplayName = "LMX Duowatch Service";
inline constexpr std::string_view kServiceDescription =
    "This service checks status of mirroring controller periodically. Changes in status are recorded in windows "
    "event log. Interval of periodic status check may be configured.";

// HKEY_LOCAL_MACHINE relative path of the service's own key (the tray application reads it too).
using lmx::kServiceKeyPath;

// The tray application's program file in the service's folder, whose version the start event names.
inline constexpr std::string_view kTrayProgramFile = "LMXDuowatch" LMX_PROGRAM_FILE_SUFFIX;

}  // namespace dwsvc
