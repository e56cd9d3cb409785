#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform {

std::optional<FileLock> FileLock::open(const std::filesystem::path& path, std::error_code& error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) {
        error = std::error_code(errno, std::generic_category());
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

bool FileLock::lock(std::error_code& error) {
    // flock locks belong to the open file, so two objects exclude each other in one process too.
    while (::flock(static_cast<int>(handle_), LOCK_EX) != 0) {
        if (errno != EINTR) {
            error = std::error_code(errno, std::generic_category());
            return false;
        }
    }
    error.clear();
    return true;
}

}  // namespace platform
