// Named pipes as local stream sockets under <root>/pipes/NAME. The socket file is open to
// every user (0666); the server holds an open-file-description lock on <root>/pipes/.NAME.lock
// for its life, which makes it the one server. The lock file is the server's user's alone, so
// nobody else can take a lock on it that would keep the server from starting.

#include "platform/named_pipe.h"

#include <fcntl.h>
#include <linux/sockios.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <deque>
#include <list>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/ipc_errors.h"
#include "platform/linux/socket_io.h"
#include "platform/system_root.h"
#include "platform/win_error.h"

namespace platform::pipes {

namespace {

using socket_io::Deadline;
using socket_io::Descriptor;
using socket_io::WaitResult;

constexpr std::string_view kPipePrefix = "\\\\.\\pipe\\";

std::string lockNameOf(const std::filesystem::path& socketPath) { return "." + socketPath.filename().string() + ".lock"; }

flock wholeFileWriteLock() {
    flock lock{};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return lock;
}

bool failWith(std::uint32_t error) {
    setLastError(error);
    return false;
}

bool failFromErrno(int errnoValue) { return failWith(socket_io::errorFromSocketErrno(errnoValue)); }

// Writes all of `data`; MSG_NOSIGNAL keeps a vanished reader from raising SIGPIPE.
bool writeFully(int fd, std::span<const std::uint8_t> data, std::size_t& bytesWritten, int wakeFd, const Deadline& deadline) {
    bytesWritten = 0;
    while (bytesWritten < data.size()) {
        const ssize_t sent = ::send(fd, data.data() + bytesWritten, data.size() - bytesWritten, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0) {
            bytesWritten += static_cast<std::size_t>(sent);
            continue;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN) return failFromErrno(errno);
        switch (socket_io::waitFor(fd, POLLOUT, wakeFd, deadline)) {
            case WaitResult::Ready: break;
            case WaitResult::Woken: return failWith(kErrorOperationAborted);
            case WaitResult::TimedOut: return failWith(kErrorSemTimeout);
            case WaitResult::Failed: return failFromErrno(errno);
        }
    }
    return true;
}

// A local socket's output queue holds what the reader has not consumed yet; it empties when
// the reader reads or goes away.
bool waitUntilConsumed(int fd, int wakeFd) {
    // The reader usually takes the data within microseconds: look again soon, then back off.
    auto pause = std::chrono::microseconds(20);
    constexpr auto kLongestPause = std::chrono::microseconds(20'000);
    for (;;) {
        int queued = 0;
        if (::ioctl(fd, SIOCOUTQ, &queued) != 0) return failFromErrno(errno);
        if (queued == 0) return true;
        if (wakeFd >= 0) {
            pollfd wake{wakeFd, POLLIN, 0};
            const timespec timeout{0, static_cast<long>(std::chrono::nanoseconds(pause).count())};
            if (::ppoll(&wake, 1, &timeout, nullptr) > 0) return failWith(kErrorOperationAborted);
        } else {
            std::this_thread::sleep_for(pause);
        }
        pause = std::min(pause * 2, kLongestPause);
    }
}

}  // namespace

std::optional<std::filesystem::path> pipePath(std::string_view pipeName) {
    const bool prefixed = pipeName.size() > kPipePrefix.size() &&
                          std::equal(kPipePrefix.begin(), kPipePrefix.end(), pipeName.begin(), [](char a, char b) {
                              return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
                          });
    const auto name = prefixed ? pipeName.substr(kPipePrefix.size()) : std::string_view();
    if (!prefixed || name.find_first_of("/\\") != std::string_view::npos || name == "." || name == "..") {
        setLastError(kErrorInvalidName);
        return std::nullopt;
    }
    return systemRoot() / "pipes" / std::string(name);
}

// ---------------------------------------------------------------------------------------------

namespace {

constexpr std::uint32_t kReplyWriteMilliseconds = 1000;
constexpr std::uint32_t kBusyWaitMilliseconds = 1000;
constexpr int kListenBacklog = 32;
// Connections taken in at one go before the waiting clients get their turn again.
constexpr int kAcceptsPerRound = 256;
// How long a request may be served before the intake thread takes the pipe's I/O over.
constexpr long kIntakeStepsInNanoseconds = 1'000'000;

std::uint32_t peerUserId(int socket) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) return PipeClientIdentity::kUnknown;
    return credentials.uid;
}

PipeClientIdentity peerIdentity(int socket) {
    PipeClientIdentity identity;
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) return identity;
    std::vector<gid_t> groups(64);
    for (;;) {
        socklen_t bytes = static_cast<socklen_t>(groups.size() * sizeof(gid_t));
        if (::getsockopt(socket, SOL_SOCKET, SO_PEERGROUPS, groups.data(), &bytes) == 0) {
            groups.resize(bytes / sizeof(gid_t));
            break;
        }
        // Too small a buffer: the size needed came back.
        if (errno != ERANGE || bytes / sizeof(gid_t) <= groups.size()) return identity;
        groups.resize(bytes / sizeof(gid_t));
    }
    identity.userId = credentials.uid;
    identity.groupId = credentials.gid;
    identity.processId = static_cast<std::uint32_t>(credentials.pid);
    identity.supplementaryGroups.assign(groups.begin(), groups.end());
    return identity;
}

// A connected client whose request has not arrived whole yet.
struct WaitingClient {
    Descriptor socket;
    std::uint32_t userId = 0;
    std::chrono::steady_clock::time_point deadline;
    std::vector<std::uint8_t> request;
    std::size_t received = 0;
};

// A client whose request is whole, waiting for the serving thread.
struct CompleteRequest {
    Descriptor socket;
    std::vector<std::uint8_t> request;
};

enum class Progress { Whole, Waiting, Gone };

// Takes what has arrived without waiting.
Progress receiveAvailable(WaitingClient& client) {
    while (client.received < client.request.size()) {
        const ssize_t got = ::recv(client.socket.get(), client.request.data() + client.received,
                                   client.request.size() - client.received, MSG_DONTWAIT);
        if (got > 0) {
            client.received += static_cast<std::size_t>(got);
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno == EAGAIN) return Progress::Waiting;
        return Progress::Gone;  // closed early, or failed
    }
    return Progress::Whole;
}

}  // namespace

// Whole requests wait in one queue per user, and the serving thread takes them from the users
// in turn, one request each, so a user with many requests waiting delays another user's request
// by at most one of its own.
//
// The pipe's I/O (taking connections in, reading requests) is done by whichever thread holds
// `io`. While it waits for a request, the serving thread does it itself: a client's connection
// then wakes the thread that answers it, with nothing in between. When a request takes longer
// than a moment to serve (a settings write, a log page), a timer wakes the pipe's own intake
// thread, which takes the I/O over until the serving thread comes back, so that connections are
// taken in and filed under their users as they arrive and no user can fill the system's backlog
// meanwhile.
struct PipeServer::Impl {
    Options options;
    std::filesystem::path path;
    Descriptor directory;
    Descriptor lockFile;
    Descriptor listener;  // blocking, but while the intake thread has the I/O
    Descriptor wake;      // eventfd written by stop()
    Descriptor overdue;   // timerfd: the request being served may have taken long enough for the intake to step in
    Descriptor handBack;  // eventfd: the serving thread wants the I/O back
    std::atomic<bool> stopped{false};
    std::thread intake;
    // When the request being served was handed out (steady clock, nanoseconds); 0 while none is.
    std::atomic<std::int64_t> servingSince{0};
    // The overdue timer runs, or the intake thread is looking at why it went off. A stream of
    // quick requests then costs one timer a moment instead of setting it twice per request.
    std::atomic<bool> timerOwned{false};

    // The holder of `io` alone.
    std::mutex io;
    std::list<WaitingClient> waiting;  // oldest first, so also in order of their deadlines
    std::unordered_map<std::uint32_t, std::size_t> waitingPerUser;
    std::chrono::steady_clock::time_point acceptPausedUntil;
    std::unordered_map<std::uint32_t, std::deque<CompleteRequest>> queues;  // per user, oldest first
    std::deque<std::uint32_t> turns;  // the users with requests queued, in the order they are served
    std::size_t queued = 0;

    // True, with 995 as the last error, once stop() was called.
    bool ifStopped() const {
        if (!stopped.load()) return false;
        setLastError(kErrorOperationAborted);
        return true;
    }

    void dropped(std::size_t bytesArrived) const {
        if (options.onDropped) options.onDropped(bytesArrived);
    }

    void drop(std::list<WaitingClient>::iterator client) {
        dropped(client->received);
        forget(client);
    }

    void forget(std::list<WaitingClient>::iterator client) {
        if (--waitingPerUser[client->userId] == 0) waitingPerUser.erase(client->userId);
        waiting.erase(client);
    }

    void dropOldestWaitingOf(std::uint32_t userId) {
        const auto oldest = std::find_if(waiting.begin(), waiting.end(),
                                         [&](const WaitingClient& client) { return client.userId == userId; });
        if (oldest != waiting.end()) drop(oldest);
    }

    // Past its share a user's oldest waiting client goes; past the limit of all, the oldest
    // client of the user with the most waiting.
    void makeRoomFor(std::uint32_t userId) {
        if (waitingPerUser[userId] >= options.maxWaitingPerUser) dropOldestWaitingOf(userId);
        if (waiting.size() >= options.maxWaitingClients && !waiting.empty()) {
            const auto busiest = std::max_element(waitingPerUser.begin(), waitingPerUser.end(),
                                                  [](const auto& a, const auto& b) { return a.second < b.second; });
            dropOldestWaitingOf(busiest->first);
        }
    }

    void dropOldestQueuedOf(std::unordered_map<std::uint32_t, std::deque<CompleteRequest>>::iterator user) {
        dropped(user->second.front().request.size());
        user->second.pop_front();
        --queued;
        if (user->second.empty()) {
            turns.erase(std::find(turns.begin(), turns.end(), user->first));
            queues.erase(user);
        }
    }

    // Files a whole request under its user. A user's requests beyond its share push out that
    // user's oldest: the newest says what the user wants now (settings are last-one-wins, a
    // status read asked for later is fresher), the oldest has waited longest and its client is
    // the nearest to giving up, and a request that is served has waited behind at most a share
    // of its own user's. Past the limit of all, the user with the most queued gives way.
    void file(std::uint32_t userId, CompleteRequest request) {
        auto user = queues.try_emplace(userId).first;
        if (user->second.empty()) turns.push_back(userId);
        user->second.push_back(std::move(request));
        ++queued;
        if (user->second.size() > options.maxQueuedPerUser) dropOldestQueuedOf(user);
        if (queued > options.maxCompleteRequests) {
            dropOldestQueuedOf(std::max_element(queues.begin(), queues.end(), [](const auto& a, const auto& b) {
                return a.second.size() < b.second.size();
            }));
        }
    }

    // Takes in one connection. False (errno set) when there was none, or it could not be taken.
    bool acceptOne() {
        Descriptor socket(::accept4(listener.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!socket.valid()) return false;
        WaitingClient client;
        client.socket = std::move(socket);
        client.request.assign(options.requestSize, 0);
        client.deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.requestTimeoutMilliseconds);
        // Most clients write their request right after connecting: it is often here already.
        const Progress progress = receiveAvailable(client);
        client.userId = peerUserId(client.socket.get());
        switch (progress) {
            case Progress::Whole: file(client.userId, {std::move(client.socket), std::move(client.request)}); return true;
            case Progress::Gone: dropped(client.received); return true;
            case Progress::Waiting: break;
        }
        makeRoomFor(client.userId);
        ++waitingPerUser[client.userId];
        waiting.push_back(std::move(client));
        return true;
    }

    // After a failed accept: false when the listener cannot be used any more.
    bool acceptFailed() {
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            // Out of descriptors or memory for a moment: the connections wait in the backlog.
            acceptPausedUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
            return true;
        }
        return errno == EINTR || errno == ECONNABORTED || errno == EAGAIN;
    }

    void dropOverdue() {
        const auto now = std::chrono::steady_clock::now();
        while (!waiting.empty() && waiting.front().deadline <= now) drop(waiting.begin());
    }

    // Milliseconds until the I/O must be looked at again without being woken; -1 for never.
    int pollTimeout() const {
        const auto now = std::chrono::steady_clock::now();
        auto until = std::chrono::steady_clock::time_point::max();
        if (!waiting.empty()) until = waiting.front().deadline;
        if (acceptPausedUntil > now) until = std::min(until, acceptPausedUntil);
        if (until == std::chrono::steady_clock::time_point::max()) return -1;
        return static_cast<int>(std::max<std::int64_t>(0, std::chrono::ceil<std::chrono::milliseconds>(until - now).count()));
    }

    // One round of I/O: waits for the clients' bytes, new connections, the stop or `also`
    // (a descriptor of the caller's, -1 for none), until the oldest client's deadline, and takes
    // in what came. Connections are taken in one a round, or all there are when the listener
    // is non-blocking. False when `also` became readable, the stop came or the wait failed.
    bool pumpOnce(int also, bool acceptAll) {
        std::vector<pollfd> fds;
        fds.reserve(waiting.size() + 3);
        const bool accepting = acceptPausedUntil <= std::chrono::steady_clock::now();
        fds.push_back({wake.get(), POLLIN, 0});
        fds.push_back({also, POLLIN, 0});
        fds.push_back({accepting ? listener.get() : -1, POLLIN, 0});
        for (const auto& client : waiting) fds.push_back({client.socket.get(), POLLIN, 0});
        const int ready = ::poll(fds.data(), fds.size(), pollTimeout());
        if (ready < 0) {
            if (errno == EINTR) return true;
            setLastError(errorFromErrno(errno));
            return false;
        }
        if (fds[0].revents != 0 || fds[1].revents != 0) return false;
        auto client = waiting.begin();
        for (std::size_t i = 3; i < fds.size(); ++i) {
            const auto current = client++;
            if (fds[i].revents == 0) continue;
            switch (receiveAvailable(*current)) {
                case Progress::Waiting: break;
                case Progress::Gone: drop(current); break;
                case Progress::Whole:
                    file(current->userId, {std::move(current->socket), std::move(current->request)});
                    forget(current);
                    break;
            }
        }
        if (fds[2].revents & POLLIN) {
            for (int taken = 0; taken < (acceptAll ? kAcceptsPerRound : 1); ++taken) {
                if (acceptOne()) continue;
                if (!acceptFailed()) return false;
                break;
            }
        }
        dropOverdue();
        return true;
    }

    // The serving thread, holding `io`, until a request is queued: false on the stop or a failure.
    bool pumpUntilQueued() {
        while (turns.empty()) {
            if (ifStopped()) return false;
            dropOverdue();
            if (waiting.empty() && acceptPausedUntil <= std::chrono::steady_clock::now()) {
                // Nobody waits: the next connection is all there is to wait for (stop() wakes the
                // accept by shutting the listener down).
                errno = 0;
                if (acceptOne()) continue;
                if (stopped.load() || acceptFailed()) continue;
                setLastError(errorFromErrno(errno));
                return false;
            }
            if (!pumpOnce(-1, false) && !ifStopped()) return false;
        }
        return true;
    }

    void setListenerBlocking(bool blocking) {
        const int flags = ::fcntl(listener.get(), F_GETFL);
        ::fcntl(listener.get(), F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK));
    }

    static std::int64_t nowNanoseconds() {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return std::max<std::int64_t>(1, std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
    }

    void armOverdue(std::int64_t nanoseconds) {
        itimerspec when{};
        when.it_value.tv_sec = static_cast<time_t>(nanoseconds / 1'000'000'000);
        when.it_value.tv_nsec = static_cast<long>(nanoseconds % 1'000'000'000);
        ::timerfd_settime(overdue.get(), 0, &when, nullptr);
    }

    // The serving thread, handing a request out (holding `io`).
    void startServing() { servingSince.store(nowNanoseconds()); }

    // The serving thread, once `io` is released: makes sure the timer will look at the request.
    void watchServing() {
        if (!timerOwned.exchange(true)) armOverdue(kIntakeStepsInNanoseconds);
    }

    // The serving thread: gets the I/O back from the intake thread, if it has it.
    std::unique_lock<std::mutex> takeIo() {
        servingSince.store(0);
        std::unique_lock guard(io, std::try_to_lock);
        if (!guard.owns_lock()) {
            const std::uint64_t one = 1;
            [[maybe_unused]] const auto written = ::write(handBack.get(), &one, sizeof one);
            guard.lock();
            std::uint64_t count = 0;
            [[maybe_unused]] const auto read = ::read(handBack.get(), &count, sizeof count);
        }
        return guard;
    }

    // The intake thread, holding `io`: does the I/O until the serving thread wants it back.
    void stepIn() {
        setListenerBlocking(false);
        while (pumpOnce(handBack.get(), true)) {
        }
        setListenerBlocking(true);
    }

    // The intake thread, when the timer went off: steps in while a request has been served for
    // longer than a moment, sets the timer again for the rest of the moment of a request handed
    // out since, or lets the timer go when none is being served.
    void onOverdue() {
        for (;;) {
            const std::int64_t since = servingSince.load();
            if (since != 0) {
                const std::int64_t left = since + kIntakeStepsInNanoseconds - nowNanoseconds();
                if (left > 0) {
                    armOverdue(left);
                    return;
                }
                // Taken only if free: the serving thread that holds it is back already.
                std::unique_lock guard(io, std::try_to_lock);
                if (guard.owns_lock() && servingSince.load() == since) {
                    stepIn();
                    if (servingSince.load() == since) {
                        // Not handed back: stopped, or the wait failed (then look again soon).
                        if (!stopped.load()) armOverdue(kIntakeStepsInNanoseconds);
                        return;
                    }
                }
                continue;
            }
            timerOwned.store(false);
            // A request handed out meanwhile may have found the timer still owned here.
            if (servingSince.load() == 0 || timerOwned.exchange(true)) return;
        }
    }

    // The intake thread: does the I/O while a request is being served for longer than a moment.
    void takeIn() {
        while (!stopped.load()) {
            pollfd fds[] = {{wake.get(), POLLIN, 0}, {overdue.get(), POLLIN, 0}};
            if (::poll(fds, 2, -1) <= 0) continue;
            if (fds[0].revents != 0) return;
            std::uint64_t expirations = 0;
            if (::read(overdue.get(), &expirations, sizeof expirations) > 0) onOverdue();
        }
    }
};

PipeServer::PipeServer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

PipeServer::~PipeServer() {
    stop();
    if (impl_->intake.joinable()) impl_->intake.join();
    impl_->waiting.clear();
    impl_->queues.clear();
    impl_->listener.reset();
    ::unlinkat(impl_->directory.get(), impl_->path.filename().c_str(), 0);
    // The lock goes with the descriptor; the lock file stays for the next server.
}

std::unique_ptr<PipeServer> PipeServer::create(std::string_view pipeName, Options options) {
    auto path = pipePath(pipeName);
    if (!path) return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->options = std::move(options);
    impl->options.maxQueuedPerUser = std::max<std::size_t>(1, impl->options.maxQueuedPerUser);
    impl->options.maxCompleteRequests = std::max<std::size_t>(1, impl->options.maxCompleteRequests);
    impl->path = *path;
    if (!socket_io::ensureDirectory(impl->path.parent_path(), 0755)) {
        setLastError(errorFromErrno(errno));
        return nullptr;
    }
    impl->directory = socket_io::openDirectory(impl->path.parent_path());
    if (!impl->directory.valid()) return nullptr;
    impl->lockFile.reset(::openat(impl->directory.get(), lockNameOf(impl->path).c_str(),
                                  O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!impl->lockFile.valid()) {
        setLastError(errorFromErrno(errno));
        return nullptr;
    }
    // A lock file that others could open would let them hold a lock that keeps the server out.
    struct stat facts{};
    if (::fstat(impl->lockFile.get(), &facts) != 0 || facts.st_uid != ::geteuid() ||
        ((facts.st_mode & 077) != 0 && ::fchmod(impl->lockFile.get(), 0600) != 0)) {
        setLastError(kErrorAccessDenied);
        return nullptr;
    }
    flock lock = wholeFileWriteLock();
    if (::fcntl(impl->lockFile.get(), F_OFD_SETLK, &lock) != 0) {
        setLastError((errno == EAGAIN || errno == EACCES) ? kErrorPipeBusy : errorFromErrno(errno));
        return nullptr;
    }
    // Under the lock, whatever socket file is left at the path belongs to a server that is gone.
    // A short backlog: a connection taken in waits behind few others, and clients beyond it
    // wait in their connect, let in in the order they came, instead of queuing behind
    // thousands of a flood's connections.
    impl->listener = socket_io::listenIn(impl->directory.get(), impl->path.filename().string(), SOCK_STREAM, 0666,
                                         kListenBacklog);
    impl->wake.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    impl->handBack.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    impl->overdue.reset(::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK));
    if (!impl->listener.valid() || !impl->wake.valid() || !impl->handBack.valid() || !impl->overdue.valid()) {
        setLastError(errorFromErrno(errno));
        ::unlinkat(impl->directory.get(), impl->path.filename().c_str(), 0);
        return nullptr;
    }
    impl->setListenerBlocking(true);
    auto* running = impl.get();
    impl->intake = std::thread([running] { running->takeIn(); });
    return std::unique_ptr<PipeServer>(new PipeServer(std::move(impl)));
}

std::optional<PipeServer::Client> PipeServer::nextRequest(std::span<std::uint8_t> request) {
    auto& impl = *impl_;
    auto guard = impl.takeIo();
    if (!impl.pumpUntilQueued()) return std::nullopt;
    const std::uint32_t userId = impl.turns.front();
    impl.turns.pop_front();
    const auto user = impl.queues.find(userId);
    CompleteRequest next = std::move(user->second.front());
    user->second.pop_front();
    --impl.queued;
    // The user's next request waits for every other user's turn.
    if (user->second.empty()) {
        impl.queues.erase(user);
    } else {
        impl.turns.push_back(userId);
    }
    impl.startServing();
    guard.unlock();
    impl.watchServing();
    std::copy_n(next.request.begin(), std::min(request.size(), next.request.size()), request.begin());
    return Client(next.socket.release(), impl.wake.get());
}

void PipeServer::stop() {
    impl_->stopped.store(true);
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(impl_->wake.get(), &one, sizeof one);
    ::shutdown(impl_->listener.get(), SHUT_RDWR);
}

PipeServer::Client::Client(NativeHandle socket, NativeHandle wake) : socket_(socket), wake_(wake) {}

PipeServer::Client::Client(Client&& other) noexcept : socket_(std::exchange(other.socket_, -1)), wake_(other.wake_) {}

PipeServer::Client& PipeServer::Client::operator=(Client&& other) noexcept {
    if (this != &other) {
        if (socket_ >= 0) ::close(socket_);
        socket_ = std::exchange(other.socket_, -1);
        wake_ = other.wake_;
    }
    return *this;
}

std::uint32_t PipeServer::Client::userId() const { return peerUserId(socket_); }

PipeClientIdentity PipeServer::Client::identity() const { return peerIdentity(socket_); }

PipeServer::Client::~Client() {
    if (socket_ >= 0) ::close(socket_);
}

bool PipeServer::Client::write(std::span<const std::uint8_t> data, std::size_t& bytesWritten) {
    bytesWritten = 0;
    if (socket_ < 0) return failWith(kErrorPipeNotConnected);
    return writeFully(socket_, data, bytesWritten, wake_, Deadline::after(kReplyWriteMilliseconds));
}

// ---------------------------------------------------------------------------------------------

bool waitNamedPipe(std::string_view pipeName, std::uint32_t timeoutMilliseconds) {
    const auto path = pipePath(pipeName);
    if (!path) return false;
    const auto deadline = Deadline::after(timeoutMilliseconds);
    for (;;) {
        struct stat facts{};
        if (::stat(path->c_str(), &facts) == 0 && S_ISSOCK(facts.st_mode)) return true;
        if (deadline.passed()) return failWith(kErrorSemTimeout);
        const int left = deadline.pollTimeout();
        std::this_thread::sleep_for(std::chrono::milliseconds(left < 0 ? 20 : std::min(left, 20)));
    }
}

PipeClient::PipeClient(NativeHandle socket) : socket_(socket) {}
PipeClient::~PipeClient() { close(); }
PipeClient::PipeClient(PipeClient&& other) noexcept : socket_(std::exchange(other.socket_, -1)) {}

PipeClient& PipeClient::operator=(PipeClient&& other) noexcept {
    if (this != &other) {
        close();
        socket_ = std::exchange(other.socket_, -1);
    }
    return *this;
}

std::optional<PipeClient> PipeClient::open(std::string_view pipeName) {
    const auto path = pipePath(pipeName);
    if (!path) return std::nullopt;
    Descriptor socket;
    // A full backlog empties as the server takes connections in: wait for room a while, as a
    // client of a busy pipe waits for an instance.
    const auto result = socket_io::connectTo(*path, SOCK_STREAM, socket, kBusyWaitMilliseconds);
    switch (result) {
        // The client waits for its server without limit, as a blocking pipe handle does: the
        // socket comes blocking, so the kernel wakes the client straight into its read.
        case socket_io::ConnectResult::Connected: return PipeClient(socket.release());
        case socket_io::ConnectResult::NoListener: setLastError(kErrorFileNotFound); return std::nullopt;
        case socket_io::ConnectResult::Busy: setLastError(kErrorPipeBusy); return std::nullopt;
        case socket_io::ConnectResult::Failed: return std::nullopt;
    }
    return std::nullopt;
}

bool PipeClient::read(std::span<std::uint8_t> buffer, std::size_t& bytesRead) {
    bytesRead = 0;
    if (socket_ < 0) return failWith(kErrorInvalidHandle);
    while (bytesRead < buffer.size()) {
        const ssize_t received = ::recv(socket_, buffer.data() + bytesRead, buffer.size() - bytesRead, 0);
        if (received > 0) {
            bytesRead += static_cast<std::size_t>(received);
            continue;
        }
        // A server that closes with bytes of ours still unread resets the connection; what it
        // sent before arrived all the same.
        if (received == 0 || (errno == ECONNRESET && bytesRead > 0)) {
            return bytesRead > 0 || failWith(kErrorBrokenPipe);
        }
        if (errno == EINTR) continue;
        return failFromErrno(errno);
    }
    return true;
}

bool PipeClient::write(std::span<const std::uint8_t> data, std::size_t& bytesWritten) {
    bytesWritten = 0;
    if (socket_ < 0) return failWith(kErrorInvalidHandle);
    return writeFully(socket_, data, bytesWritten, -1, Deadline::never());
}

bool PipeClient::flush() {
    if (socket_ < 0) return failWith(kErrorInvalidHandle);
    return waitUntilConsumed(socket_, -1);
}

void PipeClient::close() {
    if (socket_ >= 0) ::close(socket_);
    socket_ = -1;
}

}  // namespace platform::pipes
