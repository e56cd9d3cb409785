#include "platform/named_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <string>

#include "platform/linux/window_folder.h"
#include "platform/win_error.h"

namespace platform {

namespace {

// A name as a file name: letters, digits, '-', '_' and '.' kept, everything else escaped.
std::string fileNameOf(std::string_view name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string file;
    for (unsigned char c : name) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.') {
            file += static_cast<char>(c);
        } else {
            file += '%';
            file += kHex[c >> 4];
            file += kHex[c & 0xF];
        }
    }
    return file;
}

}  // namespace

std::unique_ptr<NamedMutex> NamedMutex::create(std::string_view name, bool& alreadyExists) {
    alreadyExists = false;
    // The session's mutexes live beside its windows, in the user's own folder of the root,
    // where nobody else can hold their locks.
    const auto folder = windows::folder::openUserSubfolder("mutexes", true);
    if (!folder.valid()) return nullptr;
    const int fd = ::openat(folder.get(), fileNameOf(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        setLastError(errorFromErrno(errno));
        return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int cause = errno;
        ::close(fd);
        if (cause == EWOULDBLOCK) {
            alreadyExists = true;
            setLastError(kErrorAlreadyExists);
        } else {
            setLastError(errorFromErrno(cause));
        }
        return nullptr;
    }
    return std::unique_ptr<NamedMutex>(new NamedMutex(fd));
}

NamedMutex::~NamedMutex() { ::close(descriptor_); }

}  // namespace platform
