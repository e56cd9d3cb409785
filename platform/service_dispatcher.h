#pragma once
// The service control dispatcher, as a service process sees it. StartServiceCtrlDispatcher runs
// the service main routine on its own thread and the control handler on the calling thread;
// SIGTERM and SIGINT arrive as SERVICE_CONTROL_STOP, and controls sent with ControlService
// (including a service's own user controls 128-255) arrive with their code. It returns once the
// main routine has returned.

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "platform/service_types.h"

namespace platform {

using ServiceMainRoutine = std::function<void()>;
using ServiceControlHandler = std::function<void(std::uint32_t control)>;

// Fails (false, last error set) when another process runs the same service already.
bool startServiceCtrlDispatcher(std::string_view name, const ServiceMainRoutine& serviceMain);

struct ServiceStatusHandle {
    std::uint32_t id = 0;
};

// Only within a running dispatcher; the handler is called on the dispatcher's thread.
std::optional<ServiceStatusHandle> registerServiceCtrlHandler(std::string_view name, ServiceControlHandler handler);

// Records the status where other processes can read it and tells systemd when it runs the service.
bool setServiceStatus(ServiceStatusHandle handle, const ServiceStatus& status);

}  // namespace platform
