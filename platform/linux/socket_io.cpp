#include "platform/linux/socket_io.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/ipc_errors.h"
#include "platform/win_error.h"

namespace platform::socket_io {

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
}

int Descriptor::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void Descriptor::reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

Deadline Deadline::after(std::uint32_t milliseconds) {
    Deadline deadline;
    if (milliseconds != 0xFFFFFFFFu) deadline.at_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    return deadline;
}

bool Deadline::passed() const { return at_ && std::chrono::steady_clock::now() >= *at_; }

int Deadline::pollTimeout() const {
    if (!at_) return -1;
    const auto left = *at_ - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return 0;
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return milliseconds > 1'000'000'000 ? 1'000'000'000 : static_cast<int>(milliseconds);
}

WaitResult waitFor(int fd, short events, int wakeFd, const Deadline& deadline) {
    for (;;) {
        pollfd fds[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
        const int ready = ::poll(fds, wakeFd >= 0 ? 2 : 1, deadline.pollTimeout());
        if (ready < 0) {
            if (errno == EINTR) continue;
            return WaitResult::Failed;
        }
        if (wakeFd >= 0 && (fds[1].revents & POLLIN)) return WaitResult::Woken;
        if (fds[0].revents != 0) return WaitResult::Ready;
        if (ready == 0 && deadline.passed()) return WaitResult::TimedOut;
    }
}

bool ensureDirectory(const std::filesystem::path& directory, mode_t mode) {
    std::error_code error;
    if (std::filesystem::is_directory(directory, error)) return true;
    const auto parent = directory.parent_path();
    if (!parent.empty() && parent != directory && !ensureDirectory(parent, 0755)) return false;
    if (::mkdir(directory.c_str(), mode) == 0) {
        ::chmod(directory.c_str(), mode);  // the umask narrowed what mkdir created
        return true;
    }
    return errno == EEXIST && std::filesystem::is_directory(directory, error);
}

namespace {

bool fillAddress(std::string_view text, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (text.size() >= sizeof address.sun_path) {
        setLastError(kErrorFilenameExcedRange);
        return false;
    }
    std::memcpy(address.sun_path, text.data(), text.size());
    return true;
}

// The address of `name` in an open directory, through the process's view of its descriptor.
bool fillAddressIn(int directory, std::string_view name, sockaddr_un& address) {
    if (name.empty() || name.find('/') != std::string_view::npos) {
        setLastError(kErrorInvalidName);
        return false;
    }
    return fillAddress("/proc/self/fd/" + std::to_string(directory) + "/" + std::string(name), address);
}

std::string temporaryName() {
    static std::atomic<unsigned> counter{0};
    // Unique to this process and call, and short.
    return ".b" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

ConnectResult connectFailed(int failure) {
    setLastError(errorFromSocketErrno(failure));
    if (failure == ENOENT || failure == ECONNREFUSED) return ConnectResult::NoListener;
    if (failure == EAGAIN) return ConnectResult::Busy;
    return ConnectResult::Failed;
}

// A blocking connect waits for room in a full backlog, the waiters let in one at a time in the
// order they came, up to the send time-out.
ConnectResult connectWaitingForRoom(const sockaddr_un& address, int type, Descriptor& socket,
                                    std::uint32_t roomWaitMilliseconds) {
    Descriptor candidate(::socket(AF_UNIX, type | SOCK_CLOEXEC, 0));
    if (!candidate.valid()) return connectFailed(errno);
    const timeval limit{static_cast<time_t>(roomWaitMilliseconds / 1000),
                        static_cast<suseconds_t>(roomWaitMilliseconds % 1000) * 1000};
    ::setsockopt(candidate.get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (::connect(candidate.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return connectFailed(errno);
    }
    socket = std::move(candidate);
    return ConnectResult::Connected;
}

ConnectResult connectAddress(const sockaddr_un& address, int type, Descriptor& socket, std::uint32_t roomWaitMilliseconds) {
    Descriptor candidate(::socket(AF_UNIX, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!candidate.valid()) return connectFailed(errno);
    if (::connect(candidate.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int failure = errno;
        if (failure == EAGAIN && roomWaitMilliseconds != 0) {
            return connectWaitingForRoom(address, type, socket, roomWaitMilliseconds);
        }
        return connectFailed(failure);
    }
    // Local connects complete at once. Without a room wait the socket stays non-blocking: its
    // users wait with waitFor, each with the time limit it needs. With one it becomes blocking,
    // for a client that waits in its reads. (A connect made blocking from the start is measurably
    // slower when there is room, so the wait is only taken once the backlog turns out full.)
    if (roomWaitMilliseconds != 0) {
        ::fcntl(candidate.get(), F_SETFL, ::fcntl(candidate.get(), F_GETFL) & ~O_NONBLOCK);
    }
    socket = std::move(candidate);
    return ConnectResult::Connected;
}

}  // namespace

Descriptor openDirectory(const std::filesystem::path& directory) {
    Descriptor opened(::open(directory.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!opened.valid()) setLastError(errorFromErrnoAt(errno, directory.c_str()));
    return opened;
}

Descriptor listenIn(int directory, std::string_view name, int type, mode_t mode, int backlog) {
    const std::string temporary = temporaryName();
    sockaddr_un address{};
    if (!fillAddressIn(directory, name, address) || !fillAddressIn(directory, temporary, address)) return {};
    Descriptor socket(::socket(AF_UNIX, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket.valid()) {
        setLastError(errorFromSocketErrno(errno));
        return {};
    }
    ::unlinkat(directory, temporary.c_str(), 0);
    if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        setLastError(errorFromSocketErrno(errno));
        return {};
    }
    if (::fchmodat(directory, temporary.c_str(), mode, 0) != 0 || ::listen(socket.get(), backlog) != 0 ||
        ::renameat(directory, temporary.c_str(), directory, std::string(name).c_str()) != 0) {
        setLastError(errorFromSocketErrno(errno));
        ::unlinkat(directory, temporary.c_str(), 0);
        return {};
    }
    return socket;
}

Descriptor listenAt(const std::filesystem::path& path, int type, mode_t mode) {
    const Descriptor directory = openDirectory(path.parent_path());
    if (!directory.valid()) return {};
    return listenIn(directory.get(), path.filename().string(), type, mode);
}

ConnectResult connectIn(int directory, std::string_view name, int type, Descriptor& socket, std::uint32_t roomWaitMilliseconds) {
    sockaddr_un address{};
    if (!fillAddressIn(directory, name, address)) return ConnectResult::Failed;
    return connectAddress(address, type, socket, roomWaitMilliseconds);
}

ConnectResult connectTo(const std::filesystem::path& path, int type, Descriptor& socket, std::uint32_t roomWaitMilliseconds) {
    sockaddr_un address{};
    if (path.native().size() < sizeof address.sun_path) {
        fillAddress(path.native(), address);
        return connectAddress(address, type, socket, roomWaitMilliseconds);
    }
    const Descriptor directory = openDirectory(path.parent_path());
    if (!directory.valid()) return ConnectResult::NoListener;
    return connectIn(directory.get(), path.filename().string(), type, socket, roomWaitMilliseconds);
}

void removeIfStale(const std::filesystem::path& path, int type) {
    Descriptor probe;
    if (connectTo(path, type, probe) == ConnectResult::NoListener) ::unlink(path.c_str());
}

std::uint32_t errorFromSocketErrno(int errnoValue) {
    switch (errnoValue) {
        case ECONNREFUSED: return kErrorFileNotFound;
        case EPIPE: return kErrorNoData;
        case ECONNRESET: return kErrorBrokenPipe;
        case ENOTCONN: return kErrorPipeNotConnected;
        case EAGAIN: return kErrorPipeBusy;
        case ENAMETOOLONG: return kErrorFilenameExcedRange;
        case ETIMEDOUT: return kErrorSemTimeout;
        default: return errorFromErrno(errnoValue);
    }
}

}  // namespace platform::socket_io
