// StartServiceW and the stop control, through the service control manager, which starts the
// service's program and waits for its dispatcher as on every Windows machine.

#include "platform/service_start.h"

#include <windows.h>

#include "platform/system_root.h"
#include "platform/win_error.h"
#include "platform/windows/service_handles.h"
#include "platform/windows/wide_text.h"

namespace platform {

bool startService(const ServiceHandle& service) {
    const win32::ScHandle opened = win32::openServiceWith(service.name(), SERVICE_START);
    if (!opened) return false;
    std::wstring rootArgument = std::wstring(win32::kRootStartArgument) + win32::widen(systemRoot().string());
    const wchar_t* arguments[] = {rootArgument.c_str()};
    const DWORD count = isDefaultSystemRoot() ? 0 : 1;
    if (!::StartServiceW(opened.get(), count, count ? arguments : nullptr)) {
        setLastError(::GetLastError());
        return false;
    }
    return true;
}

bool stopService(ServiceHandle& service, ServiceStatus& status) { return service.control(kServiceControlStop, status); }

}  // namespace platform
