// StartServiceW and the stop control, through the service control manager, which starts the
// service's program and waits for its dispatcher as on every Windows machine.

#include "platform/service_start.h"

#include <windows.h>

#include "platform/win_error.h"
#include "platform/windows/service_handles.h"

namespace platform {

bool startService(const ServiceHandle& service) {
    const win32::ScHandle opened = win32::openServiceWith(service.name(), SERVICE_START);
    if (!opened) return false;
    if (!::StartServiceW(opened.get(), 0, nullptr)) {
        setLastError(::GetLastError());
        return false;
    }
    return true;
}

bool stopService(ServiceHandle& service, ServiceStatus& status) { return service.control(kServiceControlStop, status); }

}  // namespace platform
