#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/win_error.h"

namespace platform {

namespace {

std::uint32_t errorFor(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR: return kErrorPathNotFound;
        case ENOSPC:
        case EDQUOT: return kErrorDiskFull;
        default: return kErrorAccessDenied;
    }
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

bool replaceFile(const std::filesystem::path& file, std::string_view bytes) {
    std::string temporary = file.string() + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        setLastError(errorFor(errno));
        return false;
    }
    const bool written = writeAll(fd, bytes) && ::fchmod(fd, 0644) == 0;
    int error = written ? 0 : errno;
    if (::close(fd) != 0 && !error) error = errno;
    // rename() replaces a link at the target itself, never the file it points to.
    if (!error && ::rename(temporary.c_str(), file.c_str()) != 0) error = errno;
    if (error) {
        ::unlink(temporary.c_str());
        setLastError(errorFor(error));
        return false;
    }
    return true;
}

}  // namespace platform
