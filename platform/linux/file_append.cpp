#include "platform/file_append.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/win_error.h"

namespace platform {

bool appendToFile(const std::filesystem::path& file, std::string_view bytes, std::filesystem::perms mode) {
    const auto allowed = static_cast<mode_t>(mode & std::filesystem::perms::mask);
    // O_NOFOLLOW refuses a link; O_NONBLOCK keeps a planted FIFO from holding the caller.
    const int fd =
        ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, allowed);
    if (fd < 0) {
        setLastError(errno == ELOOP ? kErrorAccessDenied : errorFromErrnoAt(errno, file.c_str()));
        return false;
    }
    // A second name for another file (a hard link) or a device is not the log this program keeps.
    struct stat facts{};
    if (::fstat(fd, &facts) != 0 || !S_ISREG(facts.st_mode) || facts.st_nlink != 1 || facts.st_uid != ::geteuid() ||
        ((facts.st_mode & 07777 & ~allowed) != 0 && ::fchmod(fd, facts.st_mode & allowed) != 0)) {
        ::close(fd);
        setLastError(kErrorAccessDenied);
        return false;
    }
    bool written = true;
    while (!bytes.empty()) {
        const ssize_t count = ::write(fd, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            setLastError(count < 0 ? errorFromErrno(errno) : kErrorDiskFull);
            written = false;
            break;
        }
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    ::close(fd);
    return written;
}

}  // namespace platform
