#include "platform/service_dispatcher.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "platform/linux/service_control_signal.h"
#include "platform/linux/service_status_file.h"
#include "platform/win_error.h"

namespace platform {

namespace {

struct DispatcherState {
    std::mutex lock;
    bool active = false;
    std::string name;
    ServiceControlHandler handler;
    std::deque<std::uint32_t> pending;  // controls that arrived before the handler was registered
};

DispatcherState& dispatcher() {
    static DispatcherState state;
    return state;
}

void deliver(std::uint32_t control) {
    auto& state = dispatcher();
    ServiceControlHandler handler;
    {
        std::lock_guard lock(state.lock);
        if (!state.handler) {
            state.pending.push_back(control);
            return;
        }
        handler = state.handler;
    }
    handler(control);
}

void deliverPending() {
    auto& state = dispatcher();
    std::deque<std::uint32_t> controls;
    ServiceControlHandler handler;
    {
        std::lock_guard lock(state.lock);
        if (!state.handler || state.pending.empty()) return;
        controls.swap(state.pending);
        handler = state.handler;
    }
    for (const auto control : controls) handler(control);
}

bool hasUndelivered() {
    auto& state = dispatcher();
    std::lock_guard lock(state.lock);
    return !state.pending.empty();
}

void notifySystemd(const ServiceStatus& status) {
    if (!std::getenv("NOTIFY_SOCKET")) return;
    switch (status.currentState) {
        case kServiceRunning: sd_notify(0, "READY=1\nSTATUS=Running"); break;
        case kServiceStopPending: sd_notify(0, "STOPPING=1\nSTATUS=Stopping"); break;
        case kServiceStartPending:
            sd_notifyf(0, "STATUS=Starting\nEXTEND_TIMEOUT_USEC=%llu",
                       static_cast<unsigned long long>(status.waitHint) * 1000ULL + 1'000'000ULL);
            break;
        case kServicePaused: sd_notify(0, "STATUS=Paused"); break;
        case kServiceStopped: sd_notify(0, "STATUS=Stopped"); break;
        default: break;
    }
}

}  // namespace

int serviceControlSignal() { return SIGRTMIN + 1; }

bool sendServiceControl(pid_t pid, std::uint32_t code) {
    sigval value{};
    value.sival_int = static_cast<int>(code);
    return sigqueue(pid, serviceControlSignal(), value) == 0;
}

bool startServiceCtrlDispatcher(std::string_view name, const ServiceMainRoutine& serviceMain) {
    if (!service_files::acquireInstanceLock(name)) {
        setLastError(kErrorServiceAlreadyRunning);
        return false;
    }
    // Block the controlling signals before any thread exists, so that every thread inherits the
    // mask and the signals wait in the signalfd for the dispatcher.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, serviceControlSignal());
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &signals, &previous);
    const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);
    const int doneFd = eventfd(0, EFD_CLOEXEC);
    if (signalFd < 0 || doneFd < 0) {
        if (signalFd >= 0) close(signalFd);
        if (doneFd >= 0) close(doneFd);
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        setLastError(errorFromErrno(errno));
        return false;
    }
    {
        std::lock_guard lock(dispatcher().lock);
        dispatcher().active = true;
        dispatcher().name = std::string(name);
    }

    std::thread mainThread([&] {
        serviceMain();
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = write(doneFd, &one, sizeof one);
    });

    for (;;) {
        pollfd fds[2] = {{signalFd, POLLIN, 0}, {doneFd, POLLIN, 0}};
        const int ready = poll(fds, 2, hasUndelivered() ? 50 : -1);
        if (ready < 0 && errno != EINTR) break;
        if (fds[1].revents & POLLIN) break;
        if (fds[0].revents & POLLIN) {
            signalfd_siginfo info{};
            if (read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
                const bool isControl = static_cast<int>(info.ssi_signo) == serviceControlSignal();
                deliver(isControl ? static_cast<std::uint32_t>(info.ssi_int) : kServiceControlStop);
            }
        }
        deliverPending();
    }

    mainThread.join();
    {
        std::lock_guard lock(dispatcher().lock);
        dispatcher().active = false;
        dispatcher().handler = nullptr;
        dispatcher().pending.clear();
    }
    close(signalFd);
    close(doneFd);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return true;
}

std::optional<ServiceStatusHandle> registerServiceCtrlHandler(std::string_view name, ServiceControlHandler handler) {
    auto& state = dispatcher();
    std::lock_guard lock(state.lock);
    if (!state.active || state.name != name) {
        setLastError(state.active ? kErrorServiceDoesNotExist : kErrorFailedServiceControllerConnect);
        return std::nullopt;
    }
    state.handler = std::move(handler);
    return ServiceStatusHandle{1};
}

bool setServiceStatus(ServiceStatusHandle handle, const ServiceStatus& status) {
    std::string name;
    {
        std::lock_guard lock(dispatcher().lock);
        if (handle.id != 1 || !dispatcher().active) {
            setLastError(kErrorInvalidHandle);
            return false;
        }
        name = dispatcher().name;
    }
    ServiceStatus reported = status;
    reported.processId = static_cast<std::uint32_t>(getpid());
    notifySystemd(reported);
    if (!service_files::writeStatus(name, reported)) {
        setLastError(kErrorAccessDenied);
        return false;
    }
    return true;
}

}  // namespace platform
