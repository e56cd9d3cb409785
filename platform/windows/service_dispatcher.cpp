// The service's side of the service control manager: StartServiceCtrlDispatcherW runs the
// service main routine on a thread of the manager's and calls the control handler on the
// dispatcher's own thread (the one that called it) with each control sent to the service.
// The service's name is root-scoped; the root itself may come with the start (startService).

#include "platform/service_dispatcher.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win_error.h"
#include "platform/windows/service_handles.h"

namespace platform {

namespace {

struct DispatcherState {
    std::mutex lock;
    std::string name;
    ServiceMainRoutine serviceMain;
    ServiceControlHandler handler;
    // The handles RegisterServiceCtrlHandlerExW gave, by ServiceStatusHandle::id - 1.
    std::vector<SERVICE_STATUS_HANDLE> statusHandles;
    DWORD lastReportedState = 0;
    // The service's main routine runs on the manager's thread, which goes on after it reported
    // "stopped" and so after the dispatcher has returned in the program's main thread.
    bool mainRunning = false;
    std::condition_variable mainEnded;
};

DispatcherState& dispatcher() {
    // Never destroyed: the main routine's thread may still take the lock while the program's
    // main thread is leaving.
    static auto* state = new DispatcherState;
    return *state;
}

// How long the dispatcher waits, once the manager has let it return, for the main routine's
// thread to have left the service's code.
constexpr auto kMainRoutineEndWait = std::chrono::seconds(5);

DWORD WINAPI handleControl(DWORD control, DWORD, LPVOID, LPVOID) {
    ServiceControlHandler handler;
    {
        std::lock_guard lock(dispatcher().lock);
        handler = dispatcher().handler;
    }
    if (handler) handler(control);
    return NO_ERROR;
}

void reportStopped(SERVICE_STATUS_HANDLE handle) {
    SERVICE_STATUS stopped{};
    stopped.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    stopped.dwCurrentState = SERVICE_STOPPED;
    ::SetServiceStatus(handle, &stopped);
}

// The root the service was started under, from its start arguments (see kRootStartArgument):
// the service's environment is the manager's.
void takeRootFromArguments(DWORD count, LPWSTR* arguments) {
    for (DWORD index = 1; index < count; ++index) {
        const std::wstring_view argument = arguments[index] ? arguments[index] : L"";
        if (argument.starts_with(win32::kRootStartArgument) && argument.size() > win32::kRootStartArgument.size()) {
            ::_wputenv_s(L"LMXDUOWATCH_ROOT", std::wstring(argument.substr(win32::kRootStartArgument.size())).c_str());
        }
    }
}

// Marks the main routine's run, and its end for the dispatcher waiting in the main thread.
class MainRoutineRun {
public:
    MainRoutineRun() {
        std::lock_guard lock(dispatcher().lock);
        dispatcher().mainRunning = true;
    }
    ~MainRoutineRun() {
        std::lock_guard lock(dispatcher().lock);
        dispatcher().mainRunning = false;
        dispatcher().mainEnded.notify_all();
    }
    MainRoutineRun(const MainRoutineRun&) = delete;
    MainRoutineRun& operator=(const MainRoutineRun&) = delete;
};

void WINAPI runServiceMain(DWORD count, LPWSTR* arguments) {
    const MainRoutineRun run;
    takeRootFromArguments(count, arguments);
    ServiceMainRoutine serviceMain;
    {
        std::lock_guard lock(dispatcher().lock);
        serviceMain = dispatcher().serviceMain;
    }
    if (serviceMain) serviceMain();
    // The dispatcher returns only once the service has reported that it stopped: a main routine
    // that returned without saying so (or without registering at all) is reported stopped here.
    SERVICE_STATUS_HANDLE handle = nullptr;
    std::string name;
    {
        std::lock_guard lock(dispatcher().lock);
        if (dispatcher().lastReportedState == SERVICE_STOPPED) return;
        if (!dispatcher().statusHandles.empty()) handle = dispatcher().statusHandles.back();
        name = dispatcher().name;
    }
    if (!handle) handle = ::RegisterServiceCtrlHandlerExW(win32::serviceNameOnSystem(name).c_str(), handleControl, nullptr);
    if (handle) reportStopped(handle);
}

}  // namespace

bool startServiceCtrlDispatcher(std::string_view name, const ServiceMainRoutine& serviceMain) {
    std::wstring systemName = win32::serviceNameOnSystem(name);
    {
        std::lock_guard lock(dispatcher().lock);
        dispatcher().name = std::string(name);
        dispatcher().serviceMain = serviceMain;
        dispatcher().lastReportedState = 0;
    }
    // A service of its own process: the manager does not match the table's name (the root that
    // scopes it may arrive with the start only).
    SERVICE_TABLE_ENTRYW table[] = {{systemName.data(), runServiceMain}, {nullptr, nullptr}};
    const BOOL ran = ::StartServiceCtrlDispatcherW(table);
    const DWORD error = ran ? ERROR_SUCCESS : ::GetLastError();
    {
        // The program must not end (and destroy what the main routine uses) while the routine's
        // thread is still on its way out; the wait is bounded, as a hung routine must not keep
        // the process alive.
        std::unique_lock lock(dispatcher().lock);
        dispatcher().mainEnded.wait_for(lock, kMainRoutineEndWait, [] { return !dispatcher().mainRunning; });
        dispatcher().serviceMain = nullptr;
        dispatcher().handler = nullptr;
    }
    if (!ran) {
        setLastError(error);
        return false;
    }
    return true;
}

std::optional<ServiceStatusHandle> registerServiceCtrlHandler(std::string_view name, ServiceControlHandler handler) {
    {
        // In place before the manager knows the handler, so that no early control is lost.
        std::lock_guard lock(dispatcher().lock);
        dispatcher().handler = std::move(handler);
    }
    const SERVICE_STATUS_HANDLE handle =
        ::RegisterServiceCtrlHandlerExW(win32::serviceNameOnSystem(name).c_str(), handleControl, nullptr);
    if (!handle) {
        setLastError(::GetLastError());
        return std::nullopt;
    }
    std::lock_guard lock(dispatcher().lock);
    dispatcher().statusHandles.push_back(handle);
    return ServiceStatusHandle{static_cast<std::uint32_t>(dispatcher().statusHandles.size())};
}

bool setServiceStatus(ServiceStatusHandle handle, const ServiceStatus& status) {
    SERVICE_STATUS_HANDLE systemHandle = nullptr;
    {
        std::lock_guard lock(dispatcher().lock);
        if (handle.id >= 1 && handle.id <= dispatcher().statusHandles.size())
            systemHandle = dispatcher().statusHandles[handle.id - 1];
    }
    if (!systemHandle) {
        setLastError(kErrorInvalidHandle);
        return false;
    }
    SERVICE_STATUS reported{};
    reported.dwServiceType = status.serviceType;
    reported.dwCurrentState = status.currentState;
    reported.dwControlsAccepted = status.controlsAccepted;
    reported.dwWin32ExitCode = status.win32ExitCode;
    reported.dwServiceSpecificExitCode = status.serviceSpecificExitCode;
    reported.dwCheckPoint = status.checkPoint;
    reported.dwWaitHint = status.waitHint;
    if (!::SetServiceStatus(systemHandle, &reported)) {
        setLastError(::GetLastError());
        return false;
    }
    std::lock_guard lock(dispatcher().lock);
    dispatcher().lastReportedState = status.currentState;
    return true;
}

}  // namespace platform
