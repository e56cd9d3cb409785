#pragma once
// The service main routine, its control handler and the main wait loop.

#include <cstdint>
#include <string>

#include "platform/system_time.h"

#include "service/monitor/service_runtime.h"

namespace dwsvc {

// The user-defined control by which the service asks itself to start the notifier.
inline constexpr std::uint32_t kNotifyControl = 128;

// Runs the service from start-up to the final STOPPED report.
void serviceMain(ServiceRuntime& runtime);

// The control handler (called on the dispatcher's thread).
void handleServiceControl(ServiceRuntime& runtime, std::uint32_t control);

// Paces the polls until `running` is cleared: 10 s while a drive is retrying, else the interval.
void runMainWaitLoop(ServiceRuntime& runtime);

// Sends the notify control to this service through the service manager (the handler, not the
// polling thread, then launches the notifier). Failures are printed.
void sendNotifyControlToSelf();

// The CSV base path: the program's folder and "temp_log_YYYYMMDD_hhmmss" of the start time.
// An installed suite's program folder is never written: there the log folder takes its place
// (platform::programLogFolder).
std::string csvBasePathAt(const platform::SystemTime& start);

}  // namespace dwsvc
