#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>
#include <utility>

namespace platform {

std::optional<FileLock> FileLock::open(const std::filesystem::path& path, std::error_code& error) {
    // O_NONBLOCK: a FIFO put at the path does not hold the caller in open.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        error = std::error_code(errno, std::generic_category());
        return std::nullopt;
    }
    struct stat facts{};
    if (::fstat(fd, &facts) != 0 || !S_ISREG(facts.st_mode) || facts.st_uid != ::geteuid() ||
        ((facts.st_mode & 077) != 0 && ::fchmod(fd, 0600) != 0)) {
        ::close(fd);
        error = std::make_error_code(std::errc::permission_denied);
        return std::nullopt;
    }
    error.clear();
    return FileLock(fd);
}

FileLock::FileLock(FileLock&& other) noexcept : handle_(std::exchange(other.handle_, kInvalidNativeHandle)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        if (handle_ != kInvalidNativeHandle) ::close(static_cast<int>(handle_));
        handle_ = std::exchange(other.handle_, kInvalidNativeHandle);
    }
    return *this;
}

// Closing the only descriptor of the open file releases its lock.
FileLock::~FileLock() {
    if (handle_ != kInvalidNativeHandle) ::close(static_cast<int>(handle_));
}

bool FileLock::lock(std::error_code& error, std::chrono::milliseconds limit) {
    // flock locks belong to the open file, so two objects exclude each other in one process too.
    // The lock is tried without waiting, with pauses that grow to 10 ms, until the limit.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    auto pause = std::chrono::milliseconds(1);
    while (::flock(static_cast<int>(handle_), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) {
            error = std::error_code(errno, std::generic_category());
            return false;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            error = std::make_error_code(std::errc::timed_out);
            return false;
        }
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::milliseconds(10));
    }
    error.clear();
    return true;
}

}  // namespace platform
