#pragma once
// Local-socket plumbing shared by the named pipes and the window directory: owned descriptors,
// sockets that appear under their name only once they listen, waits that a stop can cut short
// and that keep to a deadline, and the mapping of socket errors to the platform's codes.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace platform::socket_io {

// A file descriptor closed on destruction.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release();
    void reset(int fd = -1);

private:
    int fd_ = -1;
};

// A point in time that waits keep to; the infinite one never passes.
class Deadline {
public:
    static Deadline after(std::uint32_t milliseconds);  // 0xFFFFFFFF is infinite
    static Deadline never() { return Deadline(); }
    bool passed() const;
    // Milliseconds left, rounded up, as poll() takes them; -1 when infinite.
    int pollTimeout() const;

private:
    std::optional<std::chrono::steady_clock::time_point> at_;
};

enum class WaitResult { Ready, TimedOut, Woken, Failed };

// Waits until `fd` shows one of `events` (POLLIN, POLLOUT …), the wake descriptor becomes
// readable (when it is >= 0), or the deadline passes. Interrupted waits are resumed.
WaitResult waitFor(int fd, short events, int wakeFd, const Deadline& deadline);

// Creates a directory and its parents; the directories created here get `mode` exactly
// (not narrowed by the umask). True when it exists afterwards.
bool ensureDirectory(const std::filesystem::path& directory, mode_t mode);

// A directory held open by descriptor (O_PATH): names inside it are then reached without
// resolving its path again, so a link planted on the way later is never followed, and socket
// addresses within it stay short whatever the length of its path. Empty (last error set) when
// it cannot be opened.
Descriptor openDirectory(const std::filesystem::path& directory);

// A listening local socket of `type` (SOCK_STREAM, SOCK_SEQPACKET) named `name` in the open
// directory, non-blocking and close-on-exec, with file mode `mode`. It is bound under a
// temporary name and renamed into place once it listens, so a connecting client never meets
// a socket that refuses it while it is being set up. Empty with the last error set on failure.
// `backlog` connections wait to be accepted at most; further clients wait in their connect.
Descriptor listenIn(int directory, std::string_view name, int type, mode_t mode, int backlog = 4096);
// As listenIn, in the directory of `path`.
Descriptor listenAt(const std::filesystem::path& path, int type, mode_t mode);

enum class ConnectResult { Connected, NoListener, Busy, Failed };

// Connects a close-on-exec socket of `type` to `name` in the open directory. On a full backlog
// it waits up to `roomWaitMilliseconds` for room (0: not at all), in turn with the other
// waiting clients. The socket is non-blocking without a room wait, blocking with one (it may
// carry a send time-out of that wait: send with MSG_DONTWAIT). NoListener: no socket file, or nobody listens on it (a stale
// file); Busy: the backlog is full.
ConnectResult connectIn(int directory, std::string_view name, int type, Descriptor& socket,
                        std::uint32_t roomWaitMilliseconds = 0);
// As connectIn, to the socket at `path` (of any length).
ConnectResult connectTo(const std::filesystem::path& path, int type, Descriptor& socket,
                        std::uint32_t roomWaitMilliseconds = 0);

// Removes a socket file whose listener is gone. Only when connecting is refused, so a socket
// that another process listens on is never removed.
void removeIfStale(const std::filesystem::path& path, int type);

// The platform's error code for a failed socket call.
std::uint32_t errorFromSocketErrno(int errnoValue);

}  // namespace platform::socket_io
