// Named pipes as local stream sockets under <root>/pipes/NAME. The socket file is open to
// every user (0666); the server holds an open-file-description lock on <root>/pipes/.NAME.lock
// for its life, which makes it the one instance and tells waiting clients that it exists
// without connecting to it (a probing connection would reach the server as a request).

#include "platform/named_pipe.h"

#include <fcntl.h>
#include <linux/sockios.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cctype>
#include <cerrno>
#include <thread>
#include <utility>

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

std::filesystem::path lockPathOf(const std::filesystem::path& socketPath) {
    return socketPath.parent_path() / ("." + socketPath.filename().string() + ".lock");
}

flock wholeFileWriteLock() {
    flock lock{};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return lock;
}

bool serverExists(const std::filesystem::path& socketPath) {
    Descriptor lockFile(::open(lockPathOf(socketPath).c_str(), O_RDONLY | O_CLOEXEC));
    if (!lockFile.valid()) return false;
    flock lock = wholeFileWriteLock();
    if (::fcntl(lockFile.get(), F_OFD_GETLK, &lock) != 0 || lock.l_type == F_UNLCK) return false;
    std::error_code error;
    return std::filesystem::exists(socketPath, error);
}

bool failWith(std::uint32_t error) {
    setLastError(error);
    return false;
}

bool failFromErrno(int errnoValue) { return failWith(socket_io::errorFromSocketErrno(errnoValue)); }

// Reads into `buffer` until it is full. `wakeFd` (or -1) cuts the wait short.
enum class ReadEnd { Full, EndOfStream, TimedOut, Woken, Failed };
ReadEnd readFully(int fd, std::span<std::uint8_t> buffer, std::size_t& bytesRead, int wakeFd, const Deadline& deadline) {
    bytesRead = 0;
    while (bytesRead < buffer.size()) {
        const ssize_t received = ::recv(fd, buffer.data() + bytesRead, buffer.size() - bytesRead, MSG_DONTWAIT);
        if (received > 0) {
            bytesRead += static_cast<std::size_t>(received);
            continue;
        }
        if (received == 0) return ReadEnd::EndOfStream;
        if (errno == EINTR) continue;
        if (errno != EAGAIN) {
            setLastError(socket_io::errorFromSocketErrno(errno));
            return ReadEnd::Failed;
        }
        switch (socket_io::waitFor(fd, POLLIN, wakeFd, deadline)) {
            case WaitResult::Ready: break;
            case WaitResult::TimedOut: return ReadEnd::TimedOut;
            case WaitResult::Woken: return ReadEnd::Woken;
            case WaitResult::Failed: setLastError(socket_io::errorFromSocketErrno(errno)); return ReadEnd::Failed;
        }
    }
    return ReadEnd::Full;
}

// Writes all of `data`; MSG_NOSIGNAL keeps a vanished reader from raising SIGPIPE.
bool writeFully(int fd, std::span<const std::uint8_t> data, std::size_t& bytesWritten, int wakeFd) {
    bytesWritten = 0;
    while (bytesWritten < data.size()) {
        const ssize_t sent = ::send(fd, data.data() + bytesWritten, data.size() - bytesWritten, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0) {
            bytesWritten += static_cast<std::size_t>(sent);
            continue;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN) return failFromErrno(errno);
        switch (socket_io::waitFor(fd, POLLOUT, wakeFd, Deadline::never())) {
            case WaitResult::Ready: break;
            case WaitResult::Woken: return failWith(kErrorOperationAborted);
            default: return failFromErrno(errno);
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

struct PipeServer::Impl {
    std::filesystem::path path;
    Descriptor lockFile;
    Descriptor listener;
    Descriptor client;
    Descriptor wake;  // eventfd written by stop()
    std::atomic<bool> stopped{false};

    // True, with 995 as the last error, once stop() was called.
    bool ifStopped() const {
        if (!stopped.load()) return false;
        setLastError(kErrorOperationAborted);
        return true;
    }
};

PipeServer::PipeServer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

PipeServer::~PipeServer() {
    impl_->client.reset();
    impl_->listener.reset();
    ::unlink(impl_->path.c_str());
    // The lock goes with the descriptor; the lock file stays for the next server.
}

std::unique_ptr<PipeServer> PipeServer::create(std::string_view pipeName) {
    auto path = pipePath(pipeName);
    if (!path) return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->path = *path;
    if (!socket_io::ensureDirectory(impl->path.parent_path(), 0755)) {
        setLastError(errorFromErrno(errno));
        return nullptr;
    }
    impl->lockFile.reset(::open(lockPathOf(impl->path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!impl->lockFile.valid()) {
        setLastError(errorFromErrno(errno));
        return nullptr;
    }
    flock lock = wholeFileWriteLock();
    if (::fcntl(impl->lockFile.get(), F_OFD_SETLK, &lock) != 0) {
        setLastError((errno == EAGAIN || errno == EACCES) ? kErrorPipeBusy : errorFromErrno(errno));
        return nullptr;
    }
    // Under the lock, whatever socket file is left at the path belongs to a server that is gone.
    impl->listener = socket_io::listenAt(impl->path, SOCK_STREAM, 0666);
    if (!impl->listener.valid()) return nullptr;
    impl->wake.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!impl->wake.valid()) {
        setLastError(errorFromErrno(errno));
        ::unlink(impl->path.c_str());
        return nullptr;
    }
    return std::unique_ptr<PipeServer>(new PipeServer(std::move(impl)));
}

bool PipeServer::connect() {
    if (impl_->ifStopped()) return false;
    if (impl_->client.valid()) return failWith(kErrorPipeConnected);
    for (;;) {
        switch (socket_io::waitFor(impl_->listener.get(), POLLIN, impl_->wake.get(), Deadline::never())) {
            case WaitResult::Ready: break;
            case WaitResult::Woken: return failWith(kErrorOperationAborted);
            default: return failFromErrno(errno);
        }
        const int accepted = ::accept4(impl_->listener.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (accepted >= 0) {
            impl_->client.reset(accepted);
            return true;
        }
        if (errno != EAGAIN && errno != EINTR && errno != ECONNABORTED) return failFromErrno(errno);
    }
}

bool PipeServer::read(std::span<std::uint8_t> buffer, std::size_t& bytesRead, std::uint32_t timeoutMilliseconds) {
    bytesRead = 0;
    if (impl_->ifStopped()) return false;
    if (!impl_->client.valid()) return failWith(kErrorPipeNotConnected);
    switch (readFully(impl_->client.get(), buffer, bytesRead, impl_->wake.get(), Deadline::after(timeoutMilliseconds))) {
        case ReadEnd::Full: return true;
        case ReadEnd::EndOfStream: return failWith(kErrorBrokenPipe);
        case ReadEnd::TimedOut: return failWith(kErrorSemTimeout);
        case ReadEnd::Woken: return failWith(kErrorOperationAborted);
        case ReadEnd::Failed: return false;
    }
    return false;
}

bool PipeServer::write(std::span<const std::uint8_t> data, std::size_t& bytesWritten) {
    bytesWritten = 0;
    if (impl_->ifStopped()) return false;
    if (!impl_->client.valid()) return failWith(kErrorPipeNotConnected);
    return writeFully(impl_->client.get(), data, bytesWritten, impl_->wake.get());
}

bool PipeServer::flush() {
    if (impl_->ifStopped()) return false;
    if (!impl_->client.valid()) return failWith(kErrorPipeNotConnected);
    return waitUntilConsumed(impl_->client.get(), impl_->wake.get());
}

bool PipeServer::disconnect() {
    if (!impl_->client.valid()) return failWith(kErrorPipeNotConnected);
    impl_->client.reset();
    return true;
}

void PipeServer::stop() {
    impl_->stopped.store(true);
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(impl_->wake.get(), &one, sizeof one);
}

// ---------------------------------------------------------------------------------------------

bool waitNamedPipe(std::string_view pipeName, std::uint32_t timeoutMilliseconds) {
    const auto path = pipePath(pipeName);
    if (!path) return false;
    const auto deadline = Deadline::after(timeoutMilliseconds);
    for (;;) {
        if (serverExists(*path)) return true;
        if (deadline.passed()) return failWith(kErrorSemTimeout);
        const int left = deadline.pollTimeout();
        std::this_thread::sleep_for(std::chrono::milliseconds(left < 0 ? 20 : std::min(left, 20)));
    }
}

PipeClient::PipeClient(int socket) : socket_(socket) {}
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
    switch (socket_io::connectTo(*path, SOCK_STREAM, socket)) {
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
    switch (readFully(socket_, buffer, bytesRead, -1, Deadline::never())) {
        case ReadEnd::Full: return true;
        case ReadEnd::EndOfStream: return bytesRead > 0 || failWith(kErrorBrokenPipe);
        default: return false;
    }
}

bool PipeClient::write(std::span<const std::uint8_t> data, std::size_t& bytesWritten) {
    bytesWritten = 0;
    if (socket_ < 0) return failWith(kErrorInvalidHandle);
    return writeFully(socket_, data, bytesWritten, -1);
}

bool PipeClient::flush() {
    if (socket_ < 0) return failWith(kErrorInvalidHandle);
    return waitUntilConsumed(socket_, -1);
}

void PipeClient::close() {
    if (socket_ >= 0) ::close(socket_);
    socket_ = -1;
}

std::optional<std::size_t> callNamedPipe(std::string_view pipeName, std::span<const std::uint8_t> request,
                                         std::span<std::uint8_t> reply, std::uint32_t timeoutMilliseconds) {
    if (!waitNamedPipe(pipeName, timeoutMilliseconds)) return std::nullopt;
    auto client = PipeClient::open(pipeName);
    std::size_t written = 0;
    if (!client || !client->write(request, written)) return std::nullopt;
    std::size_t received = 0;
    while (received < reply.size()) {
        std::size_t got = 0;
        if (!client->read(reply.subspan(received), got) || got == 0) break;
        received += got;
    }
    return received;
}

}  // namespace platform::pipes
