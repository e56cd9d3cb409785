#include "platform/plain_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/linux/socket_io.h"
#include "platform/win_error.h"

namespace platform {

namespace {

using socket_io::Descriptor;

// The kernel's protected_symlinks rule: a link in a sticky folder that others may write is
// followed only by its owner, or when the folder's owner made it.
bool mayFollow(const struct stat& link, const struct stat& folder) {
    const bool stickyAndOpenToAll = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return !stickyAndOpenToAll || link.st_uid == ::geteuid() || link.st_uid == folder.st_uid;
}

std::nullopt_t fail(std::uint32_t error) {
    setLastError(error);
    return std::nullopt;
}

}  // namespace

std::optional<std::size_t> readPlainFile(const std::filesystem::path& file, std::span<std::uint8_t> buffer) {
    const std::string name = file.filename().string();
    if (name.empty() || name == "." || name == "..") return fail(kErrorAccessDenied);
    const auto parent = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    const Descriptor folder(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) return fail(errorFromErrnoAt(errno, file.c_str()));

    struct stat facts{};
    if (::fstatat(folder.get(), name.c_str(), &facts, AT_SYMLINK_NOFOLLOW) != 0) return fail(errorFromErrno(errno));
    int follow = O_NOFOLLOW;
    if (S_ISLNK(facts.st_mode)) {
        struct stat folderFacts{};
        if (::fstat(folder.get(), &folderFacts) != 0 || !mayFollow(facts, folderFacts)) return fail(kErrorAccessDenied);
        if (::fstatat(folder.get(), name.c_str(), &facts, 0) != 0) return fail(errorFromErrno(errno));
        follow = 0;
    }
    if (!S_ISREG(facts.st_mode)) return fail(kErrorAccessDenied);
    // Whatever may have been put at the name since, the open neither follows a refused link nor
    // waits for a FIFO's writer; what was opened is checked again through the descriptor.
    const Descriptor opened(::openat(folder.get(), name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | follow));
    if (!opened.valid()) return fail(errno == ELOOP ? kErrorAccessDenied : errorFromErrno(errno));
    if (::fstat(opened.get(), &facts) != 0 || !S_ISREG(facts.st_mode)) return fail(kErrorAccessDenied);
    if (facts.st_size < 0 || static_cast<std::uint64_t>(facts.st_size) > buffer.size()) return fail(kErrorInvalidData);

    std::size_t total = 0;
    for (;;) {
        std::uint8_t spare = 0;
        std::uint8_t* into = total < buffer.size() ? buffer.data() + total : &spare;
        const std::size_t room = total < buffer.size() ? buffer.size() - total : 1;
        const ssize_t count = ::read(opened.get(), into, room);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return fail(errorFromErrno(errno));
        if (count == 0) break;
        if (into == &spare) return fail(kErrorInvalidData);  // it grew beyond the buffer
        total += static_cast<std::size_t>(count);
    }
    if (total != static_cast<std::uint64_t>(facts.st_size)) return fail(kErrorInvalidData);
    return total;
}

}  // namespace platform
