#pragma once
// Starting and stopping an installed service the way the machine's service manager does it
// (StartServiceA; ControlService with SERVICE_CONTROL_STOP). Where systemd keeps the service
// (systemd runs and the system root is the default one), systemd starts and stops its unit;
// elsewhere the service's program is started on its own, as the service manager would.

#include "platform/service_manager.h"

namespace platform {

// StartServiceA: starts the service's program (its ImagePath). Returns once the program runs;
// the service then reports SERVICE_START_PENDING and SERVICE_RUNNING (readServiceStatus).
// Fails with 1056 when the service runs already, 2 when its program file is missing.
bool startService(const ServiceHandle& service);

// Asks the running service to stop. Fails with 1062 when it does not run and 1061 when it does
// not take a stop now; the service reports SERVICE_STOPPED once it has ended.
bool stopService(ServiceHandle& service, ServiceStatus& status);

}  // namespace platform
