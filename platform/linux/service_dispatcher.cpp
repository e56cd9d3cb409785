#include "platform/service_dispatcher.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/ipc_errors.h"
#include "platform/linux/service_control_channel.h"
#include "platform/linux/service_output_log.h"
#include "platform/linux/service_status_file.h"
#include "platform/linux/socket_io.h"
#include "platform/system_root.h"
#include "platform/win_error.h"

namespace platform {

namespace {

using socket_io::Descriptor;

// Senders connected at once; more wait in the socket's backlog.
constexpr std::size_t kMaxControlConnections = 32;
// A sender that connected has this long to write its control.
constexpr int kControlArrivalMilliseconds = 1000;

struct DispatcherState {
    std::mutex lock;
    bool active = false;
    std::string name;
    ServiceControlHandler handler;
};

DispatcherState& dispatcher() {
    static DispatcherState state;
    return state;
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

// A control waiting for the handler, with every sender that asked for it: a control asked for
// again before the handler took it is carried out once, so nothing piles up behind a slow
// handler (at most one entry per control code).
struct PendingControl {
    std::uint32_t code = 0;
    std::vector<Descriptor> senders;  // answered once the handler has run; none for a signal
};

class ControlQueue {
public:
    void add(std::uint32_t code, Descriptor sender) {
        auto found = std::find_if(pending_.begin(), pending_.end(), [&](const PendingControl& p) { return p.code == code; });
        if (found == pending_.end()) {
            pending_.push_back({code, {}});
            found = std::prev(pending_.end());
        }
        if (sender.valid()) found->senders.push_back(std::move(sender));
    }
    bool empty() const { return pending_.empty(); }
    // The stop control goes before everything that waits; the others in order of arrival.
    PendingControl takeNext() {
        auto next = std::find_if(pending_.begin(), pending_.end(),
                                 [](const PendingControl& p) { return p.code == kServiceControlStop; });
        if (next == pending_.end()) next = pending_.begin();
        PendingControl taken = std::move(*next);
        pending_.erase(next);
        return taken;
    }

private:
    std::deque<PendingControl> pending_;
};

void answer(std::vector<Descriptor>& senders, std::uint32_t error) {
    const service_control::ControlReply reply{error};
    for (auto& sender : senders) ::send(sender.get(), &reply, sizeof reply, MSG_NOSIGNAL | MSG_DONTWAIT);
    senders.clear();
}

// A sender that has connected and not yet written its control.
struct Arriving {
    Descriptor socket;
    std::chrono::steady_clock::time_point deadline;
};

class ControlDispatcher {
public:
    ControlDispatcher(int signalFd, int doneFd, Descriptor listener)
        : signalFd_(signalFd), doneFd_(doneFd), listener_(std::move(listener)) {}

    // Runs until the service main routine has returned.
    void run() {
        for (;;) {
            if (!gather(queue_.empty() || !handlerRegistered() ? waitTimeout() : 0)) return;
            if (!queue_.empty() && handlerRegistered()) deliver(queue_.takeNext());
        }
    }

private:
    int signalFd_;
    int doneFd_;
    Descriptor listener_;
    std::vector<Arriving> arriving_;
    ControlQueue queue_;
    bool stopDelivered_ = false;

    static bool handlerRegistered() {
        std::lock_guard lock(dispatcher().lock);
        return static_cast<bool>(dispatcher().handler);
    }

    int waitTimeout() const {
        // Controls that arrived before the handler was registered are looked at again soon.
        int timeout = queue_.empty() ? -1 : 50;
        for (const auto& sender : arriving_) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(sender.deadline - std::chrono::steady_clock::now()).count();
            const int ms = static_cast<int>(std::max<std::int64_t>(0, left));
            timeout = timeout < 0 ? ms : std::min(timeout, ms);
        }
        return timeout;
    }

    // Takes in everything that has arrived, waiting at most `timeout` ms for the first of it.
    // False once the service main routine has returned.
    bool gather(int timeout) {
        std::vector<pollfd> fds = {{signalFd_, POLLIN, 0}, {doneFd_, POLLIN, 0}, {listener_.get(), POLLIN, 0}};
        if (!listener_.valid() || arriving_.size() >= kMaxControlConnections) fds[2].fd = -1;
        for (const auto& sender : arriving_) fds.push_back({sender.socket.get(), POLLIN, 0});
        const int ready = ::poll(fds.data(), fds.size(), timeout);
        if (ready < 0 && errno != EINTR) return false;
        if (fds[1].revents & POLLIN) return false;
        if (fds[0].revents & POLLIN) takeSignals();
        // Everyone who has written a control is taken in, so that the stop is seen even behind
        // a crowd of other senders.
        bool accepted = (fds[2].revents & POLLIN) && acceptSenders();
        readArrivedControls();
        while (accepted && arriving_.size() < kMaxControlConnections) {
            accepted = acceptSenders();
            readArrivedControls();
        }
        return true;
    }

    void takeSignals() {
        signalfd_siginfo infos[16];
        for (;;) {
            const ssize_t got = ::read(signalFd_, infos, sizeof infos);
            if (got < static_cast<ssize_t>(sizeof infos[0])) return;
            // SIGTERM and SIGINT: the stop control, however often they came.
            queue_.add(kServiceControlStop, Descriptor());
        }
    }

    // True when it took in anyone.
    bool acceptSenders() {
        bool accepted = false;
        while (arriving_.size() < kMaxControlConnections) {
            Descriptor sender(::accept4(listener_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
            if (!sender.valid()) {
                if (errno == EINTR || errno == ECONNABORTED) continue;
                break;
            }
            arriving_.push_back({std::move(sender), std::chrono::steady_clock::now() +
                                                        std::chrono::milliseconds(kControlArrivalMilliseconds)});
            accepted = true;
        }
        return accepted;
    }

    void readArrivedControls() {
        const auto now = std::chrono::steady_clock::now();
        for (auto it = arriving_.begin(); it != arriving_.end();) {
            service_control::ControlRequest request;
            const ssize_t got = ::recv(it->socket.get(), &request, sizeof request, MSG_DONTWAIT);
            if (got < 0 && (errno == EAGAIN || errno == EINTR) && now < it->deadline) {
                ++it;
                continue;
            }
            if (got == static_cast<ssize_t>(sizeof request) && request.magic == service_control::kControlMagic) {
                accept(request.code, std::move(it->socket));
            }
            it = arriving_.erase(it);  // handed on, or closed: not a control, or too late
        }
    }

    void accept(std::uint32_t code, Descriptor sender) {
        // A stopping service takes no more controls: a notification after the stop would reach
        // the tray application after it was told that the service stops.
        if (stopDelivered_ && code != kServiceControlInterrogate) {
            std::vector<Descriptor> refused;
            refused.push_back(std::move(sender));
            answer(refused, kErrorServiceCannotAcceptCtrl);
            return;
        }
        queue_.add(code, std::move(sender));
    }

    void deliver(PendingControl control) {
        if (stopDelivered_ && control.code != kServiceControlInterrogate) {
            answer(control.senders, kErrorServiceCannotAcceptCtrl);
            return;
        }
        ServiceControlHandler handler;
        {
            std::lock_guard lock(dispatcher().lock);
            handler = dispatcher().handler;
        }
        handler(control.code);
        if (control.code == kServiceControlStop) stopDelivered_ = true;
        answer(control.senders, kErrorSuccess);
    }
};

}  // namespace

namespace service_control {

std::filesystem::path controlSocketPath(std::string_view serviceName) {
    return systemRootDirectory("services") / (std::string(serviceName) + ".control");
}

std::optional<int> listeningProcess(std::string_view serviceName) {
    Descriptor socket;
    if (socket_io::connectTo(controlSocketPath(serviceName), SOCK_SEQPACKET, socket) != socket_io::ConnectResult::Connected) {
        return std::nullopt;
    }
    // The service reads no control from a connection closed without one.
    ucred peer{};
    socklen_t length = sizeof peer;
    if (::getsockopt(socket.get(), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.pid <= 0) return std::nullopt;
    return peer.pid;
}

std::uint32_t sendControl(std::string_view serviceName, std::uint32_t code, std::uint32_t timeoutMilliseconds) {
    Descriptor socket;
    switch (socket_io::connectTo(controlSocketPath(serviceName), SOCK_SEQPACKET, socket)) {
        case socket_io::ConnectResult::Connected: break;
        case socket_io::ConnectResult::NoListener: return kErrorServiceNotActive;
        case socket_io::ConnectResult::Busy: return kErrorServiceRequestTimeout;
        case socket_io::ConnectResult::Failed: return lastError() == kErrorAccessDenied ? kErrorAccessDenied : kErrorServiceNotActive;
    }
    const ControlRequest request{kControlMagic, code};
    if (::send(socket.get(), &request, sizeof request, MSG_NOSIGNAL) != static_cast<ssize_t>(sizeof request)) {
        return kErrorServiceNotActive;
    }
    switch (socket_io::waitFor(socket.get(), POLLIN, -1, socket_io::Deadline::after(timeoutMilliseconds))) {
        case socket_io::WaitResult::Ready: break;
        case socket_io::WaitResult::TimedOut: return kErrorServiceRequestTimeout;
        default: return kErrorServiceNotActive;
    }
    ControlReply reply;
    const ssize_t got = ::recv(socket.get(), &reply, sizeof reply, 0);
    // Closed without an answer: the service ended before its handler took the control.
    return got == static_cast<ssize_t>(sizeof reply) ? reply.error : kErrorServiceNotActive;
}

}  // namespace service_control

bool startServiceCtrlDispatcher(std::string_view name, const ServiceMainRoutine& serviceMain) {
    if (!service_files::acquireInstanceLock(name)) {
        setLastError(kErrorServiceAlreadyRunning);
        return false;
    }
    // Senders of controls reach this process by the control socket, for its user alone. Under
    // the instance lock, a socket left at the path belongs to a process that is gone.
    Descriptor listener = socket_io::listenAt(service_control::controlSocketPath(name), SOCK_SEQPACKET, 0600);
    // Block the stopping signals before any thread exists, so that every thread inherits the
    // mask and the signals wait in the signalfd for the dispatcher.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &signals, &previous);
    const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
    const int doneFd = eventfd(0, EFD_CLOEXEC);
    if (signalFd < 0 || doneFd < 0 || !listener.valid()) {
        const std::uint32_t error = listener.valid() ? errorFromErrno(errno) : lastError();
        if (signalFd >= 0) close(signalFd);
        if (doneFd >= 0) close(doneFd);
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        setLastError(error);
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

    ControlDispatcher(signalFd, doneFd, std::move(listener)).run();

    mainThread.join();
    {
        std::lock_guard lock(dispatcher().lock);
        dispatcher().active = false;
        dispatcher().handler = nullptr;
    }
    ::unlink(service_control::controlSocketPath(name).c_str());
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
    // Reports come at least once a poll cycle: a good moment to keep the output log bounded.
    service_log::keepBounded();
    if (!service_files::writeStatus(name, reported)) {
        setLastError(kErrorAccessDenied);
        return false;
    }
    return true;
}

}  // namespace platform
