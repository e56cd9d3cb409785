#pragma once
// Handles of the service control manager, closed when they go out of scope, and the suite's
// service names as the manager knows them (root-scoped, so that tests never meet).

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

#include "platform/service_types.h"

namespace platform::win32 {

class ScHandle {
public:
    ScHandle() = default;
    explicit ScHandle(SC_HANDLE handle) : handle_(handle) {}
    ~ScHandle() {
        if (handle_) ::CloseServiceHandle(handle_);
    }
    ScHandle(ScHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    ScHandle& operator=(ScHandle&& other) noexcept {
        if (this != &other) {
            if (handle_) ::CloseServiceHandle(handle_);
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    explicit operator bool() const { return handle_ != nullptr; }
    SC_HANDLE get() const { return handle_; }

private:
    SC_HANDLE handle_ = nullptr;
};

// A service started under a root other than the default one gets the root as a start argument
// "LMXDUOWATCH_ROOT=<root>": the manager starts services with an environment of its own, and
// the service then takes the root from the argument, as a program started on Linux inherits it.
inline constexpr std::wstring_view kRootStartArgument = L"LMXDUOWATCH_ROOT=";

// The name under which the service control manager keeps the suite's service `name`.
std::wstring serviceNameOnSystem(std::string_view name);

// OpenSCManagerW and OpenServiceW with the given access to the service; empty, with the
// platform's last error set from the system's, when either fails.
ScHandle openServiceWith(std::string_view name, DWORD serviceAccess);

ServiceStatus fromSystemStatus(const SERVICE_STATUS& status, DWORD processId);

}  // namespace platform::win32
