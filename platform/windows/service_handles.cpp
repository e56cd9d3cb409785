#include "platform/windows/service_handles.h"

#include "platform/win_error.h"
#include "platform/windows/root_scope.h"
#include "platform/windows/wide_text.h"

namespace platform::win32 {

std::wstring serviceNameOnSystem(std::string_view name) { return widen(scopedName(name)); }

ScHandle openServiceWith(std::string_view name, DWORD serviceAccess) {
    const ScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) {
        setLastError(::GetLastError());
        return {};
    }
    ScHandle service(::OpenServiceW(manager.get(), serviceNameOnSystem(name).c_str(), serviceAccess));
    if (!service) setLastError(::GetLastError());
    return service;
}

ServiceStatus fromSystemStatus(const SERVICE_STATUS& status, DWORD processId) {
    ServiceStatus result;
    result.serviceType = status.dwServiceType;
    result.currentState = status.dwCurrentState;
    result.controlsAccepted = status.dwControlsAccepted;
    result.win32ExitCode = status.dwWin32ExitCode;
    result.serviceSpecificExitCode = status.dwServiceSpecificExitCode;
    result.checkPoint = status.dwCheckPoint;
    result.waitHint = status.dwWaitHint;
    result.processId = processId;
    return result;
}

}  // namespace platform::win32
