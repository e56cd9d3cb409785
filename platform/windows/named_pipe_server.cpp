// The server end of a named pipe on Windows' own pipes. A few instances at a time wait for a
// client in an overlapped ConnectNamedPipe; every instance's I/O completes to one completion
// port, where the pipe's own thread takes connections in and reads each client's request as
// its bytes come, each within its time limit, and files whole requests under their users for
// the serving thread. Clients beyond the waiting instances find the pipe busy and wait for an
// instance (WaitNamedPipeW), as clients of a full backlog do.

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/ipc_errors.h"
#include "platform/named_pipe.h"
#include "platform/win_error.h"
#include "platform/windows/kernel_handle.h"
#include "platform/windows/pipe_client_token.h"
#include "platform/windows/user_turns.h"

namespace platform::pipes {

namespace {

using Clock = std::chrono::steady_clock;
using win32::KernelHandle;

constexpr DWORD kReplyWriteMilliseconds = 1000;
constexpr std::size_t kListeningInstances = 4;
constexpr DWORD kBufferBytes = 64 * 1024;
constexpr DWORD kDefaultWaitMilliseconds = 3000;
constexpr ULONG_PTR kStopKey = 1;
// How long the pipe's thread waits for cancelled I/O to report back when the server goes.
constexpr DWORD kDrainMilliseconds = 2000;

// Everybody may connect, read and write (a request is a write); only the server's own user,
// LocalSystem and the administrators may make instances of the pipe, so that nobody can answer
// in its place. Which requests may change anything the server decides per request.
constexpr wchar_t kPipeSecurity[] = L"D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;GA;;;OW)(A;;0x0012019B;;;WD)";

bool failWith(std::uint32_t error) {
    setLastError(error);
    return false;
}

// One instance of the pipe, from its wait for a client until its request is whole.
struct Connection {
    OVERLAPPED overlapped{};
    KernelHandle pipe;
    enum class State { Listening, Reading, Closing } state = State::Listening;
    std::string user;
    Clock::time_point deadline;
    std::vector<std::uint8_t> request;
    std::size_t received = 0;
};

struct CompleteRequest {
    KernelHandle pipe;
    std::vector<std::uint8_t> request;
};

// Closes a client's instance: it learns at once that nobody will answer.
void hangUp(KernelHandle& pipe) {
    ::DisconnectNamedPipe(pipe.get());
    pipe.reset();
}

}  // namespace

struct PipeServer::Impl {
    Options options;
    std::wstring path;
    KernelHandle port;
    KernelHandle stopEvent;    // manual reset, set by stop(): wakes a waiting reply write
    KernelHandle shutDownDone; // manual reset, set once the pipe's thread has closed its instances
    SECURITY_ATTRIBUTES security{};
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::atomic<bool> stopped{false};
    std::thread intake;

    // The pipe's thread alone.
    std::unordered_map<Connection*, std::unique_ptr<Connection>> connections;
    std::size_t listening = 0;
    std::list<Connection*> waiting;  // oldest first, so also in order of their deadlines
    std::unordered_map<std::string, std::size_t> waitingPerUser;
    Clock::time_point listenPausedUntil;

    // Shared with the serving thread, under `lock`.
    std::mutex lock;
    std::condition_variable queuedOrStopped;
    std::unique_ptr<win32::UserTurns<CompleteRequest>> turns;

    ~Impl() {
        if (descriptor != nullptr) ::LocalFree(descriptor);
    }

    void dropped(std::size_t bytesArrived) const {
        if (options.onDropped) options.onDropped(bytesArrived);
    }

    // --- instances waiting for clients -------------------------------------------------------

    KernelHandle newInstance(bool first) {
        const DWORD openMode = PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
        const DWORD pipeMode = PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS;
        return KernelHandle(::CreateNamedPipeW(path.c_str(), openMode, pipeMode, PIPE_UNLIMITED_INSTANCES, kBufferBytes,
                                               kBufferBytes, kDefaultWaitMilliseconds, &security));
    }

    // Puts an instance up for a client. False when the system would not make one now.
    bool listen(KernelHandle instance) {
        if (!instance.valid() || ::CreateIoCompletionPort(instance.get(), port.get(), 0, 0) == nullptr) return false;
        auto owned = std::make_unique<Connection>();
        Connection* connection = owned.get();
        connection->pipe = std::move(instance);
        connections.emplace(connection, std::move(owned));
        ++listening;
        if (::ConnectNamedPipe(connection->pipe.get(), &connection->overlapped)) return true;  // completes to the port
        switch (::GetLastError()) {
            case ERROR_IO_PENDING: return true;
            // A client came before the wait (and may have written and left already): no
            // completion comes for this one.
            case ERROR_PIPE_CONNECTED:
            case ERROR_NO_DATA: connected(connection); return true;
            default:
                --listening;
                connections.erase(connection);
                return false;
        }
    }

    void keepListening() {
        if (stopped.load() || Clock::now() < listenPausedUntil) return;
        while (listening < kListeningInstances) {
            if (!listen(newInstance(false))) {
                // Out of instances or memory for a moment: the clients wait for an instance.
                listenPausedUntil = Clock::now() + std::chrono::milliseconds(50);
                return;
            }
        }
    }

    // --- clients whose requests are arriving ----------------------------------------------------

    void connected(Connection* connection) {
        --listening;
        connection->state = Connection::State::Reading;
        connection->user = win32::clientProcessUser(connection->pipe.get());
        connection->deadline = Clock::now() + std::chrono::milliseconds(options.requestTimeoutMilliseconds);
        connection->request.assign(options.requestSize, 0);
        makeRoomFor(connection->user);
        ++waitingPerUser[connection->user];
        waiting.push_back(connection);
        readMore(connection);
    }

    void readMore(Connection* connection) {
        if (connection->received == connection->request.size()) {
            whole(connection);
            return;
        }
        connection->overlapped = OVERLAPPED{};
        const DWORD wanted = static_cast<DWORD>(connection->request.size() - connection->received);
        if (::ReadFile(connection->pipe.get(), connection->request.data() + connection->received, wanted, nullptr,
                       &connection->overlapped) ||
            ::GetLastError() == ERROR_IO_PENDING) {
            return;  // completes to the port
        }
        gone(connection);
    }

    void forget(Connection* connection) {
        waiting.remove(connection);
        const auto user = waitingPerUser.find(connection->user);
        if (user != waitingPerUser.end() && --user->second == 0) waitingPerUser.erase(user);
    }

    // The client closed early or failed: nothing is pending on it.
    void gone(Connection* connection) {
        dropped(connection->received);
        forget(connection);
        hangUp(connection->pipe);
        connections.erase(connection);
    }

    // A client dropped while its read may be pending: it goes once the read has come back.
    void drop(Connection* connection) {
        dropped(connection->received);
        forget(connection);
        connection->state = Connection::State::Closing;
        ::CancelIoEx(connection->pipe.get(), &connection->overlapped);
    }

    void dropOldestWaitingOf(const std::string& user) {
        const auto oldest = std::find_if(waiting.begin(), waiting.end(), [&](const Connection* c) { return c->user == user; });
        if (oldest != waiting.end()) drop(*oldest);
    }

    // Past its share a user's oldest waiting client goes; past the limit of all, the oldest
    // client of the user with the most waiting.
    void makeRoomFor(const std::string& user) {
        if (waitingPerUser[user] >= options.maxWaitingPerUser) dropOldestWaitingOf(user);
        if (waiting.size() >= options.maxWaitingClients && !waiting.empty()) {
            const auto busiest = std::max_element(waitingPerUser.begin(), waitingPerUser.end(),
                                                  [](const auto& a, const auto& b) { return a.second < b.second; });
            dropOldestWaitingOf(std::string(busiest->first));
        }
    }

    void dropOverdue() {
        const auto now = Clock::now();
        while (!waiting.empty() && waiting.front()->deadline <= now) drop(waiting.front());
    }

    DWORD waitTimeout() const {
        const auto now = Clock::now();
        auto until = Clock::time_point::max();
        if (!waiting.empty()) until = waiting.front()->deadline;
        if (listenPausedUntil > now) until = std::min(until, listenPausedUntil);
        if (until == Clock::time_point::max()) return INFINITE;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - now).count();
        return static_cast<DWORD>(std::clamp<std::int64_t>(left, 0, INFINITE - 1));
    }

    // --- whole requests ------------------------------------------------------------------------

    void whole(Connection* connection) {
        forget(connection);
        // Filed under the user of the token the client connected with, which stays with the
        // connection, rather than of a process id that may have been given to another process.
        std::string user = win32::clientTokenUser(connection->pipe.get());
        if (user.empty()) user = std::move(connection->user);
        CompleteRequest request{std::move(connection->pipe), std::move(connection->request)};
        connections.erase(connection);
        std::vector<CompleteRequest> pushedOut;
        {
            std::lock_guard guard(lock);
            pushedOut = turns->file(user, std::move(request));
        }
        queuedOrStopped.notify_one();
        for (auto& given : pushedOut) {
            hangUp(given.pipe);
            dropped(given.request.size());
        }
    }

    // --- the pipe's thread ---------------------------------------------------------------------

    void completed(Connection* connection, bool succeeded, DWORD bytes) {
        switch (connection->state) {
            case Connection::State::Closing:
                hangUp(connection->pipe);
                connections.erase(connection);
                return;
            case Connection::State::Listening:
                // A client that connected, wrote and left before its connection was seen is
                // still a connection, with what it wrote.
                if (succeeded || ::GetLastError() == ERROR_PIPE_CONNECTED || ::GetLastError() == ERROR_NO_DATA) {
                    connected(connection);
                } else {
                    --listening;
                    connections.erase(connection);
                }
                return;
            case Connection::State::Reading:
                if (!succeeded || bytes == 0) {
                    gone(connection);
                    return;
                }
                connection->received += bytes;
                readMore(connection);
                return;
        }
    }

    void takeIn() {
        while (!stopped.load()) {
            keepListening();
            DWORD bytes = 0;
            ULONG_PTR key = 0;
            OVERLAPPED* overlapped = nullptr;
            const BOOL succeeded = ::GetQueuedCompletionStatus(port.get(), &bytes, &key, &overlapped, waitTimeout());
            if (key == kStopKey) break;
            if (overlapped != nullptr) {
                // Only our own operations complete here (reply writes keep out of the port).
                auto* connection = reinterpret_cast<Connection*>(overlapped);
                if (connections.count(connection) != 0) completed(connection, succeeded, bytes);
            }
            dropOverdue();
        }
        shutDown();
    }

    // Ends every connection that is not whole (unreported, as the server is going), and waits
    // for their cancelled I/O to come back.
    void shutDown() {
        for (auto& [connection, owned] : connections) {
            connection->state = Connection::State::Closing;
            ::CancelIoEx(connection->pipe.get(), &connection->overlapped);
        }
        waiting.clear();
        waitingPerUser.clear();
        const auto deadline = Clock::now() + std::chrono::milliseconds(kDrainMilliseconds);
        while (!connections.empty() && Clock::now() < deadline) {
            DWORD bytes = 0;
            ULONG_PTR key = 0;
            OVERLAPPED* overlapped = nullptr;
            ::GetQueuedCompletionStatus(port.get(), &bytes, &key, &overlapped, kDrainMilliseconds);
            if (overlapped != nullptr) connections.erase(reinterpret_cast<Connection*>(overlapped));
        }
        // I/O that never came back may still write into its connection: leave those be.
        for (auto& [connection, owned] : connections) {
            hangUp(owned->pipe);
            (void)owned.release();
        }
        connections.clear();
        ::SetEvent(shutDownDone.get());
    }
};

PipeServer::PipeServer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

PipeServer::~PipeServer() {
    stop();
    if (impl_->intake.joinable()) impl_->intake.join();
    std::lock_guard guard(impl_->lock);
    for (auto& request : impl_->turns->takeAll()) hangUp(request.pipe);
}

std::unique_ptr<PipeServer> PipeServer::create(std::string_view pipeName, Options options) {
    const auto path = pipePath(pipeName);
    if (!path) return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->options = std::move(options);
    impl->turns = std::make_unique<win32::UserTurns<CompleteRequest>>(impl->options.maxQueuedPerUser, impl->options.maxCompleteRequests);
    impl->path = path->wstring();
    // One server per name: the first instance's flag says so on Windows. Wine ignores that
    // flag, so a pipe of the name that is there already (free or busy) says it too.
    if (::WaitNamedPipeW(impl->path.c_str(), 1) || ::GetLastError() == ERROR_SEM_TIMEOUT) {
        setLastError(kErrorPipeBusy);
        return nullptr;
    }
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kPipeSecurity, SDDL_REVISION_1, &impl->descriptor, nullptr)) {
        setLastError(::GetLastError());
        return nullptr;
    }
    impl->security = {sizeof(SECURITY_ATTRIBUTES), impl->descriptor, FALSE};
    impl->port.reset(::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
    impl->stopEvent.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    impl->shutDownDone.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!impl->port.valid() || !impl->stopEvent.valid() || !impl->shutDownDone.valid()) {
        setLastError(::GetLastError());
        return nullptr;
    }
    KernelHandle first = impl->newInstance(true);
    if (!first.valid()) {
        const DWORD error = ::GetLastError();
        // Another process made the first instance (5), or has all there may be (231).
        setLastError(error == ERROR_ACCESS_DENIED || error == ERROR_PIPE_BUSY ? kErrorPipeBusy : error);
        return nullptr;
    }
    if (!impl->listen(std::move(first))) {
        setLastError(::GetLastError());
        return nullptr;
    }
    // Clients can connect from here on; the others are made on the pipe's thread.
    auto* running = impl.get();
    impl->intake = std::thread([running] { running->takeIn(); });
    return std::unique_ptr<PipeServer>(new PipeServer(std::move(impl)));
}

std::optional<PipeServer::Client> PipeServer::nextRequest(std::span<std::uint8_t> request) {
    auto& impl = *impl_;
    std::unique_lock guard(impl.lock);
    impl.queuedOrStopped.wait(guard, [&] { return impl.stopped.load() || !impl.turns->empty(); });
    if (impl.stopped.load()) {
        setLastError(kErrorOperationAborted);
        return std::nullopt;
    }
    CompleteRequest next = std::move(*impl.turns->next());
    guard.unlock();
    std::copy_n(next.request.begin(), std::min(request.size(), next.request.size()), request.begin());
    return Client(reinterpret_cast<NativeHandle>(next.pipe.release()), reinterpret_cast<NativeHandle>(impl.stopEvent.get()));
}

void PipeServer::stop() {
    auto& impl = *impl_;
    if (!impl.stopped.exchange(true)) {
        ::SetEvent(impl.stopEvent.get());
        ::PostQueuedCompletionStatus(impl.port.get(), 0, kStopKey, nullptr);
        // Taken so that a serving thread between its look at `stopped` and its wait is not missed.
        { std::lock_guard guard(impl.lock); }
        impl.queuedOrStopped.notify_all();
    }
    // The pipe takes no more clients once stop() has returned: its thread closes the instances
    // that wait for clients (unless this is that thread, telling of a dropped client).
    if (impl.intake.joinable() && impl.intake.get_id() != std::this_thread::get_id()) {
        ::WaitForSingleObject(impl.shutDownDone.get(), 2 * kDrainMilliseconds);
    }
}

// ---------------------------------------------------------------------------------------------

PipeServer::Client::Client(NativeHandle socket, NativeHandle wake) : socket_(socket), wake_(wake) {}

PipeServer::Client::Client(Client&& other) noexcept
    : socket_(std::exchange(other.socket_, kInvalidNativeHandle)), wake_(other.wake_) {}

PipeServer::Client& PipeServer::Client::operator=(Client&& other) noexcept {
    if (this != &other) {
        if (socket_ != kInvalidNativeHandle) ::CloseHandle(reinterpret_cast<HANDLE>(socket_));
        socket_ = std::exchange(other.socket_, kInvalidNativeHandle);
        wake_ = other.wake_;
    }
    return *this;
}

// Closes the instance without DisconnectNamedPipe, which would throw away a reply the client
// has not read yet: the client reads it, then finds the pipe ended.
PipeServer::Client::~Client() {
    if (socket_ != kInvalidNativeHandle) ::CloseHandle(reinterpret_cast<HANDLE>(socket_));
}

std::uint32_t PipeServer::Client::userId() const { return identity().userId; }

PipeClientIdentity PipeServer::Client::identity() const {
    if (socket_ == kInvalidNativeHandle) return {};
    return win32::pipeClientIdentity(reinterpret_cast<HANDLE>(socket_));
}

bool PipeServer::Client::write(std::span<const std::uint8_t> data, std::size_t& bytesWritten) {
    bytesWritten = 0;
    if (socket_ == kInvalidNativeHandle) return failWith(kErrorPipeNotConnected);
    const HANDLE pipe = reinterpret_cast<HANDLE>(socket_);
    const KernelHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done.valid()) return failWith(::GetLastError());
    const auto deadline = Clock::now() + std::chrono::milliseconds(kReplyWriteMilliseconds);
    while (bytesWritten < data.size()) {
        OVERLAPPED overlapped{};
        // The event's low bit keeps the write's completion out of the pipe's completion port.
        overlapped.hEvent = reinterpret_cast<HANDLE>(reinterpret_cast<ULONG_PTR>(done.get()) | 1);
        ::ResetEvent(done.get());
        const DWORD size = static_cast<DWORD>(std::min<std::size_t>(data.size() - bytesWritten, 1u << 30));
        DWORD sent = 0;
        if (!::WriteFile(pipe, data.data() + bytesWritten, size, nullptr, &overlapped)) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_IO_PENDING) {
                return failWith(error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED ? kErrorNoData : error);
            }
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            const HANDLE waits[] = {done.get(), reinterpret_cast<HANDLE>(wake_)};
            const DWORD woken = ::WaitForMultipleObjects(2, waits, FALSE, static_cast<DWORD>(std::max<std::int64_t>(0, left)));
            if (woken != WAIT_OBJECT_0) {
                ::CancelIoEx(pipe, &overlapped);
                ::GetOverlappedResult(pipe, &overlapped, &sent, TRUE);
                bytesWritten += sent;
                return failWith(woken == WAIT_OBJECT_0 + 1 ? kErrorOperationAborted : kErrorSemTimeout);
            }
        }
        if (!::GetOverlappedResult(pipe, &overlapped, &sent, TRUE)) {
            const DWORD error = ::GetLastError();
            return failWith(error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED ? kErrorNoData : error);
        }
        bytesWritten += sent;
    }
    return true;
}

}  // namespace platform::pipes
