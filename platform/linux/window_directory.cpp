// Window messages travel over local sequenced-packet sockets: one connection per message, the
// sender's packet carries the message, the receiver answers a sent message with the
// procedure's result and closes. The owner accepts and answers only when it dispatches, so a
// procedure always runs on the owner's thread.

#include "platform/window_directory.h"

#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <future>
#include <map>
#include <mutex>
#include <thread>

#include "platform/ipc_errors.h"
#include "platform/linux/socket_io.h"
#include "platform/linux/window_folder.h"
#include "platform/win_error.h"

namespace platform::windows {

namespace {

using socket_io::Deadline;
using socket_io::Descriptor;
using socket_io::WaitResult;

constexpr std::uint32_t kPacketMagic = 0x584D4C57;  // "WLMX"
constexpr std::uint32_t kWantsReply = 1;

struct RequestPacket {
    std::uint32_t magic = kPacketMagic;
    std::uint32_t message = 0;
    std::uint32_t flags = 0;
    std::uint32_t reserved = 0;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
};

struct ReplyPacket {
    std::int64_t result = 0;
};

// This process's windows by socket, so that a send from a window's own thread calls its
// procedure directly instead of waiting for a dispatch that this very thread would have to do.
struct LocalWindow {
    std::thread::id owner;
    const WindowProcedure* procedure = nullptr;
};

std::mutex gLocalLock;
std::map<std::filesystem::path, LocalWindow>& localWindows() {
    static std::map<std::filesystem::path, LocalWindow> windows;
    return windows;
}

const WindowProcedure* procedureOwnedByThisThread(const std::filesystem::path& endpoint) {
    std::lock_guard lock(gLocalLock);
    const auto found = localWindows().find(endpoint);
    if (found == localWindows().end() || found->second.owner != std::this_thread::get_id()) return nullptr;
    return found->second.procedure;
}

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::optional<std::intptr_t> failWith(std::uint32_t error) {
    setLastError(error);
    return std::nullopt;
}

std::optional<std::intptr_t> deliver(const WindowRef& window, const RequestPacket& request, const Deadline& deadline) {
    const bool wantsReply = (request.flags & kWantsReply) != 0;
    if (wantsReply) {
        if (const auto* procedure = procedureOwnedByThisThread(window.endpoint)) {
            return (*procedure)(request.message, static_cast<std::uintptr_t>(request.wParam),
                                static_cast<std::intptr_t>(request.lParam));
        }
    }
    Descriptor connection;
    for (;;) {
        const auto result = folder::connectToWindow(window.endpoint, connection);
        if (result == socket_io::ConnectResult::Connected) break;
        if (result == socket_io::ConnectResult::NoListener) return failWith(kErrorInvalidWindowHandle);
        if (result == socket_io::ConnectResult::Failed) return std::nullopt;
        // The owner has many connections waiting: it is busy or hangs.
        if (deadline.passed()) return failWith(kErrorTimeout);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (::send(connection.get(), &request, sizeof request, MSG_NOSIGNAL) != static_cast<ssize_t>(sizeof request)) {
        return failWith(kErrorInvalidWindowHandle);
    }
    if (!wantsReply) return 0;
    switch (socket_io::waitFor(connection.get(), POLLIN, -1, deadline)) {
        case WaitResult::Ready: break;
        case WaitResult::TimedOut: return failWith(kErrorTimeout);
        default: return failWith(kErrorInvalidWindowHandle);
    }
    ReplyPacket reply;
    ssize_t received = 0;
    do {
        received = ::recv(connection.get(), &reply, sizeof reply, 0);
    } while (received < 0 && errno == EINTR);
    // The owner closed without answering: the window was destroyed meanwhile.
    if (received != static_cast<ssize_t>(sizeof reply)) return failWith(kErrorInvalidWindowHandle);
    return static_cast<std::intptr_t>(reply.result);
}

RequestPacket packet(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam, std::uint32_t flags) {
    RequestPacket request;
    request.message = message;
    request.flags = flags;
    request.wParam = wParam;
    request.lParam = lParam;
    return request;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

struct Window::Impl {
    std::string title;
    WindowProcedure procedure;
    folder::Registration registration;
    Descriptor listener;
    Descriptor poller;                    // epoll over the listener and the open connections
    std::deque<Descriptor> connections;  // accepted, in order of arrival, waiting for their packet

    void acceptWaiting() {
        for (;;) {
            Descriptor connection(::accept4(listener.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
            if (!connection.valid()) {
                if (errno == EINTR || errno == ECONNABORTED) continue;
                return;  // EAGAIN: nobody else waits
            }
            epoll_event event{};
            event.events = EPOLLIN | EPOLLRDHUP;
            event.data.fd = connection.get();
            if (::epoll_ctl(poller.get(), EPOLL_CTL_ADD, connection.get(), &event) == 0) connections.push_back(std::move(connection));
        }
    }

    enum class Arrival { Message, Waiting, Gone };
    static Arrival receive(int connection, RequestPacket& request) {
        const ssize_t received = ::recv(connection, &request, sizeof request, MSG_DONTWAIT);
        if (received == static_cast<ssize_t>(sizeof request) && request.magic == kPacketMagic) return Arrival::Message;
        if (received < 0 && (errno == EAGAIN || errno == EINTR)) return Arrival::Waiting;
        return Arrival::Gone;  // closed without a message (a probe), or not one of ours
    }
};

Window::Window(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

std::unique_ptr<Window> Window::create(std::string_view title, WindowProcedure procedure) {
    auto impl = std::make_unique<Impl>();
    impl->title = std::string(title);
    impl->procedure = std::move(procedure);
    auto registration = folder::reserve(title);
    if (!registration) return nullptr;
    impl->registration = std::move(*registration);
    impl->poller.reset(::epoll_create1(EPOLL_CLOEXEC));
    if (!impl->poller.valid()) {
        setLastError(errorFromErrno(errno));
        folder::withdraw(impl->registration);
        return nullptr;
    }
    impl->listener = socket_io::listenIn(impl->registration.folder.get(), impl->registration.socketName, SOCK_SEQPACKET, 0600);
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = impl->listener.get();
    if (!impl->listener.valid() || ::epoll_ctl(impl->poller.get(), EPOLL_CTL_ADD, impl->listener.get(), &event) != 0) {
        if (impl->listener.valid()) setLastError(errorFromErrno(errno));
        folder::withdraw(impl->registration);
        return nullptr;
    }
    {
        std::lock_guard lock(gLocalLock);
        localWindows()[impl->registration.socketPath] = {std::this_thread::get_id(), &impl->procedure};
    }
    return std::unique_ptr<Window>(new Window(std::move(impl)));
}

Window::~Window() {
    {
        std::lock_guard lock(gLocalLock);
        localWindows().erase(impl_->registration.socketPath);
    }
    folder::withdraw(impl_->registration);
    // Senders whose messages were not handled see the connection close without an answer.
    impl_->connections.clear();
    impl_->listener.reset();
}

const std::string& Window::title() const { return impl_->title; }

WindowRef Window::ref() const { return {impl_->registration.socketPath, static_cast<std::uint32_t>(::getpid())}; }

NativeHandle Window::descriptor() const { return impl_->poller.get(); }

std::size_t Window::dispatchPending() {
    std::size_t handled = 0;
    impl_->acceptWaiting();
    // Each handled connection leaves the list before its procedure runs, and the walk starts
    // over afterwards, so a procedure that dispatches again (a nested loop) finds a sound list.
    for (bool progressed = true; progressed;) {
        progressed = false;
        for (std::size_t i = 0; i < impl_->connections.size(); ++i) {
            RequestPacket request;
            const auto arrival = Impl::receive(impl_->connections[i].get(), request);
            if (arrival == Impl::Arrival::Waiting) continue;
            Descriptor connection = std::move(impl_->connections[i]);
            impl_->connections.erase(impl_->connections.begin() + static_cast<std::ptrdiff_t>(i));
            if (arrival == Impl::Arrival::Message) {
                ReplyPacket reply;
                reply.result = impl_->procedure(request.message, static_cast<std::uintptr_t>(request.wParam),
                                                static_cast<std::intptr_t>(request.lParam));
                if (request.flags & kWantsReply) {
                    // A sender that gave up has closed its end: MSG_NOSIGNAL keeps that quiet.
                    ::send(connection.get(), &reply, sizeof reply, MSG_NOSIGNAL | MSG_DONTWAIT);
                }
                ++handled;
            }
            progressed = true;
            break;
        }
    }
    return handled;
}

// ---------------------------------------------------------------------------------------------

struct WindowThread::Impl {
    Descriptor stop;  // eventfd that ends the thread's loop
    std::thread thread;
};

WindowThread::WindowThread(std::unique_ptr<Impl> impl, WindowRef window) : impl_(std::move(impl)), window_(std::move(window)) {}

std::unique_ptr<WindowThread> WindowThread::start(std::string_view title, WindowProcedure procedure) {
    auto impl = std::make_unique<Impl>();
    impl->stop.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!impl->stop.valid()) {
        setLastError(errorFromErrno(errno));
        return nullptr;
    }
    struct Started {
        std::optional<WindowRef> window;
        std::uint32_t error = 0;
    };
    std::promise<Started> started;
    auto result = started.get_future();
    const int stopFd = impl->stop.get();
    impl->thread = std::thread([stopFd, started = std::move(started), title = std::string(title), procedure = std::move(procedure)]() mutable {
        auto window = Window::create(title, std::move(procedure));
        if (!window) {
            started.set_value({std::nullopt, lastError()});
            return;
        }
        started.set_value({window->ref(), 0});
        while (socket_io::waitFor(window->descriptor(), POLLIN, stopFd, Deadline::never()) == WaitResult::Ready) {
            window->dispatchPending();
        }
    });
    auto outcome = result.get();
    if (!outcome.window) {
        impl->thread.join();
        setLastError(outcome.error);
        return nullptr;
    }
    return std::unique_ptr<WindowThread>(new WindowThread(std::move(impl), std::move(*outcome.window)));
}

WindowThread::~WindowThread() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(impl_->stop.get(), &one, sizeof one);
    impl_->thread.join();
}

// ---------------------------------------------------------------------------------------------

std::optional<WindowRef> findWindow(std::string_view title) {
    for (const auto& entry : folder::liveWindows()) {
        if (equalIgnoringAsciiCase(entry.title, title)) return WindowRef{entry.socketPath, entry.processId};
    }
    setLastError(kErrorFileNotFound);
    return std::nullopt;
}

std::vector<WindowRef> enumWindows() {
    std::vector<WindowRef> windows;
    for (const auto& entry : folder::liveWindows()) windows.push_back({entry.socketPath, entry.processId});
    return windows;
}

std::optional<std::string> windowTitle(const WindowRef& window) {
    auto title = folder::titleOf(window.endpoint);
    if (!title) setLastError(kErrorInvalidWindowHandle);
    return title;
}

std::optional<std::intptr_t> sendMessage(const WindowRef& window, std::uint32_t message, std::uintptr_t wParam,
                                         std::intptr_t lParam) {
    return deliver(window, packet(message, wParam, lParam, kWantsReply), Deadline::never());
}

std::optional<std::intptr_t> sendMessageTimeout(const WindowRef& window, std::uint32_t message, std::uintptr_t wParam,
                                                std::intptr_t lParam, std::uint32_t timeoutMilliseconds) {
    return deliver(window, packet(message, wParam, lParam, kWantsReply), Deadline::after(timeoutMilliseconds));
}

bool postMessage(const WindowRef& window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return deliver(window, packet(message, wParam, lParam, 0), Deadline::never()).has_value();
}

void broadcastMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                      std::uint32_t timeoutMillisecondsEach,
                      const std::function<bool(const WindowRef& window, std::intptr_t reply)>& onReply) {
    for (const auto& window : enumWindows()) {
        const auto reply = sendMessageTimeout(window, message, wParam, lParam, timeoutMillisecondsEach);
        if (reply && !onReply(window, *reply)) return;
    }
}

std::uint32_t registerWindowMessage(std::string_view name) {
    // FNV-1a over the name with ASCII letters folded to lower case: no shared table is needed
    // for every process to agree on the number.
    std::uint32_t hash = 2166136261u;
    for (const char c : name) {
        const auto folded = static_cast<unsigned char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
        hash = (hash ^ folded) * 16777619u;
    }
    return 0xC000u + (hash % 0x4000u);
}

bool prepareSessionFolders() { return folder::prepareSessionsFolder(); }

}  // namespace platform::windows
