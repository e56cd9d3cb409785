// The service control manager itself: services are created, controlled and deleted through it,
// and it keeps their entries under SYSTEM\CurrentControlSet\Services. A ServiceHandle keeps the
// service's name only; each call opens the service with the access it needs and closes it again.

#include "platform/service_manager.h"

#include <windows.h>

#include "platform/system_root.h"
#include "platform/win_error.h"
#include "platform/windows/root_scope.h"
#include "platform/windows/service_handles.h"
#include "platform/windows/wide_text.h"

namespace platform {

namespace {

using win32::ScHandle;

// The program's path as the manager runs it: quoted, so that a folder with a space in its name
// ("C:\Program Files\...") cannot be read as a shorter program followed by arguments.
std::wstring quotedImagePath(const std::string& imagePath) {
    if (imagePath.empty() || imagePath.front() == '"') return win32::widen(imagePath);
    return L"\"" + win32::widen(imagePath) + L"\"";
}

// QueryServiceStatusEx: the status with the service's process id.
bool queryStatusOf(SC_HANDLE service, ServiceStatus& status) {
    SERVICE_STATUS_PROCESS process{};
    DWORD needed = 0;
    if (!::QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&process), sizeof process,
                                &needed)) {
        setLastError(::GetLastError());
        return false;
    }
    SERVICE_STATUS plain{};
    plain.dwServiceType = process.dwServiceType;
    plain.dwCurrentState = process.dwCurrentState;
    plain.dwControlsAccepted = process.dwControlsAccepted;
    plain.dwWin32ExitCode = process.dwWin32ExitCode;
    plain.dwServiceSpecificExitCode = process.dwServiceSpecificExitCode;
    plain.dwCheckPoint = process.dwCheckPoint;
    plain.dwWaitHint = process.dwWaitHint;
    status = win32::fromSystemStatus(plain, process.dwProcessId);
    return true;
}

}  // namespace

std::optional<ServiceManager> ServiceManager::open() {
    const ScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        setLastError(::GetLastError());
        return std::nullopt;
    }
    return ServiceManager();
}

std::optional<ServiceHandle> ServiceManager::createService(const ServiceConfig& config) {
    const ScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
    if (!manager) {
        setLastError(::GetLastError());
        return std::nullopt;
    }
    // Display names are unique among services too: a test root's service carries its tag there.
    const std::wstring displayName = win32::widen(win32::scopedName(config.displayName));
    const std::wstring imagePath = quotedImagePath(config.imagePath);
    const std::wstring account = win32::widen(config.account);
    const bool localSystem = config.account.empty() || config.account == "LocalSystem";
    const ScHandle service(::CreateServiceW(manager.get(), win32::serviceNameOnSystem(config.name).c_str(),
                                            displayName.c_str(), SERVICE_ALL_ACCESS, config.serviceType,
                                            config.startType, config.errorControl, imagePath.c_str(), nullptr,
                                            nullptr, nullptr, localSystem ? nullptr : account.c_str(), nullptr));
    if (!service) {
        setLastError(::GetLastError());
        return std::nullopt;
    }
    return ServiceHandle(config.name);
}

std::optional<ServiceHandle> ServiceManager::openService(std::string_view name) {
    if (!win32::openServiceWith(name, SERVICE_QUERY_STATUS)) return std::nullopt;
    return ServiceHandle(std::string(name));
}

bool ServiceHandle::remove() {
    const ScHandle service = win32::openServiceWith(name_, DELETE);
    if (!service) return false;
    if (!::DeleteService(service.get())) {
        setLastError(::GetLastError());
        return false;
    }
    return true;
}

bool ServiceHandle::setDescription(std::string_view description) {
    const ScHandle service = win32::openServiceWith(name_, SERVICE_CHANGE_CONFIG);
    if (!service) return false;
    std::wstring text = win32::widen(description);
    SERVICE_DESCRIPTIONW info{};
    info.lpDescription = text.data();
    if (!::ChangeServiceConfig2W(service.get(), SERVICE_CONFIG_DESCRIPTION, &info)) {
        setLastError(::GetLastError());
        return false;
    }
    return true;
}

bool ServiceHandle::control(std::uint32_t code, ServiceStatus& status) {
    const ScHandle service = win32::openServiceWith(
        name_, SERVICE_STOP | SERVICE_PAUSE_CONTINUE | SERVICE_INTERROGATE | SERVICE_USER_DEFINED_CONTROL | SERVICE_QUERY_STATUS);
    if (!service) return false;
    SERVICE_STATUS reported{};
    if (!::ControlService(service.get(), code, &reported)) {
        const DWORD error = ::GetLastError();
        if (!queryStatusOf(service.get(), status)) status = win32::fromSystemStatus(reported, 0);
        setLastError(error);
        return false;
    }
    if (!queryStatusOf(service.get(), status)) status = win32::fromSystemStatus(reported, 0);
    return true;
}

bool ServiceHandle::queryStatus(ServiceStatus& status) const {
    const ScHandle service = win32::openServiceWith(name_, SERVICE_QUERY_STATUS);
    return service && queryStatusOf(service.get(), status);
}

ServiceStatus readServiceStatus(std::string_view name) {
    ServiceStatus status;
    const ScHandle service = win32::openServiceWith(name, SERVICE_QUERY_STATUS);
    if (!service || !queryStatusOf(service.get(), status)) return ServiceStatus{};
    return status;
}

}  // namespace platform
