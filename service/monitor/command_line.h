#pragma once
// dwsvc's command line: install, delete, interval, language, or (no argument) run as the service.

#include <cstdio>

#include "service/monitor/service_runtime.h"

namespace dwsvc {

// Prints the command's one message to `out`. The exit code is 1 when `install` or `delete`
// failed (among others when the system root is refused) and 0 otherwise; running as the
// service, 1 when the system root is refused (see platform::systemRootRefusal).
int runCommandLine(int argc, const char* const* argv, std::FILE* out, ServiceWorkers& workers);

// The IntervalSetting stored for "interval XX" (1, 5, 10, 30 → 1, 2, 4, 8), or 0 for any other value.
std::uint32_t intervalSettingForMinutes(const char* value);

}  // namespace dwsvc
