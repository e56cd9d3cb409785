#include "platform/linux/window_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <set>

#include "platform/system_root.h"
#include "platform/win_error.h"

namespace platform::windows::folder {

namespace {

using socket_io::Descriptor;

constexpr std::string_view kSocketSuffix = ".sock";
constexpr std::string_view kTitleSuffix = ".title";

flock wholeFileWriteLock() {
    flock lock{};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return lock;
}

bool isLocked(int folder, const std::string& titleName) {
    Descriptor file(::openat(folder, titleName.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!file.valid()) return false;
    flock lock = wholeFileWriteLock();
    return ::fcntl(file.get(), F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

std::optional<std::string> readTitle(int folder, const std::string& titleName) {
    Descriptor file(::openat(folder, titleName.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat facts{};
    if (!file.valid() || ::fstat(file.get(), &facts) != 0 || !S_ISREG(facts.st_mode)) return std::nullopt;
    std::string title;
    char buffer[512];
    // A title is short; anything larger was not written by a window of this user's programs.
    constexpr std::size_t kLongestTitle = 64 * 1024;
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) return title;
        title.append(buffer, static_cast<std::size_t>(got));
        if (title.size() > kLongestTitle) return std::nullopt;
    }
}

bool writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// "w<pid>-<n>" → pid
std::uint32_t processIdOf(const std::string& stem) {
    std::uint32_t pid = 0;
    for (std::size_t i = 1; i < stem.size() && stem[i] >= '0' && stem[i] <= '9'; ++i) pid = pid * 10 + static_cast<std::uint32_t>(stem[i] - '0');
    return pid;
}

// A folder that the calling user may act in: a real directory reached without following a
// link, owned by the user, and writable by nobody else. Anything else was planted by another
// user, who could otherwise receive the messages meant for this user's windows or have files
// of this user's removed.
Descriptor openOwnFolder(int parent, const std::string& name, bool create) {
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    Descriptor folder(::openat(parent, name.c_str(), flags));
    if (!folder.valid() && errno == ENOENT && create) {
        if (::mkdirat(parent, name.c_str(), 0700) == 0 || errno == EEXIST) folder.reset(::openat(parent, name.c_str(), flags));
    }
    if (!folder.valid()) {
        setLastError(errno == ENOENT ? kErrorFileNotFound : kErrorAccessDenied);
        return {};
    }
    struct stat facts{};
    if (::fstat(folder.get(), &facts) != 0 || facts.st_uid != ::geteuid() || (facts.st_mode & 022) != 0) {
        setLastError(kErrorAccessDenied);
        return {};
    }
    return folder;
}

// The sessions folder, shared by every user: it must be the root's (or this user's) and, where
// others may create folders in it, sticky, so that nobody removes or renames another's.
Descriptor openSessionsFolder(bool create) {
    if (create && !socket_io::ensureDirectory(sessionsFolder(), 01777)) {
        setLastError(kErrorAccessDenied);
        return {};
    }
    Descriptor folder(::open(sessionsFolder().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat facts{};
    if (!folder.valid() || ::fstat(folder.get(), &facts) != 0) {
        setLastError(kErrorFileNotFound);
        return {};
    }
    const bool trustedOwner = facts.st_uid == 0 || facts.st_uid == ::geteuid();
    const bool othersMayWrite = (facts.st_mode & 022) != 0;
    if (!trustedOwner || (othersMayWrite && !(facts.st_mode & S_ISVTX))) {
        setLastError(kErrorAccessDenied);
        return {};
    }
    return folder;
}

Descriptor openSubfolder(std::string_view subfolder, bool create) {
    const Descriptor sessions = openSessionsFolder(create);
    if (!sessions.valid()) return {};
    const Descriptor user = openOwnFolder(sessions.get(), std::to_string(::geteuid()), create);
    if (!user.valid()) return {};
    return openOwnFolder(user.get(), std::string(subfolder), create);
}

std::vector<std::string> namesIn(int folder) {
    std::vector<std::string> names;
    DIR* listing = ::fdopendir(::dup(folder));
    if (!listing) return names;
    ::rewinddir(listing);
    while (const dirent* entry = ::readdir(listing)) names.emplace_back(entry->d_name);
    ::closedir(listing);
    return names;
}

std::string stemOf(const std::string& name, std::string_view suffix) { return name.substr(0, name.size() - suffix.size()); }

}  // namespace

std::filesystem::path sessionsFolder() { return systemRoot() / "sessions"; }

std::filesystem::path windowsFolder() { return sessionsFolder() / std::to_string(::geteuid()) / "windows"; }

socket_io::Descriptor openUserSubfolder(std::string_view subfolder, bool create) { return openSubfolder(subfolder, create); }

std::optional<Registration> reserve(std::string_view title) {
    Registration registration;
    registration.folder = openSubfolder("windows", true);
    if (!registration.folder.valid()) return std::nullopt;
    static std::atomic<unsigned> counter{0};
    const std::string stem = "w" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    registration.socketName = stem + std::string(kSocketSuffix);
    registration.titleName = stem + std::string(kTitleSuffix);
    registration.socketPath = windowsFolder() / registration.socketName;
    registration.titleFile.reset(::openat(registration.folder.get(), registration.titleName.c_str(),
                                          O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!registration.titleFile.valid()) {
        setLastError(errorFromErrno(errno));
        return std::nullopt;
    }
    flock lock = wholeFileWriteLock();
    if (::fcntl(registration.titleFile.get(), F_OFD_SETLK, &lock) != 0 || !writeAll(registration.titleFile.get(), title)) {
        setLastError(errorFromErrno(errno));
        ::unlinkat(registration.folder.get(), registration.titleName.c_str(), 0);
        return std::nullopt;
    }
    return registration;
}

void withdraw(Registration& registration) {
    if (registration.folder.valid()) {
        ::unlinkat(registration.folder.get(), registration.socketName.c_str(), 0);
        ::unlinkat(registration.folder.get(), registration.titleName.c_str(), 0);
    }
    registration.titleFile.reset();
}

std::vector<Entry> liveWindows() {
    const Descriptor folder = openSubfolder("windows", false);
    if (!folder.valid()) return {};
    struct Found {
        Entry entry;
        timespec registered{};
    };
    std::vector<Found> found;
    std::set<std::string> socketStems;
    std::vector<std::string> titles;
    for (const auto& name : namesIn(folder.get())) {
        if (name.ends_with(kSocketSuffix)) socketStems.insert(stemOf(name, kSocketSuffix));
        if (name.ends_with(kTitleSuffix)) titles.push_back(name);
    }
    for (const auto& stem : socketStems) {
        const std::string socketName = stem + std::string(kSocketSuffix);
        const std::string titleName = stem + std::string(kTitleSuffix);
        if (!isLocked(folder.get(), titleName)) {
            ::unlinkat(folder.get(), socketName.c_str(), 0);
            ::unlinkat(folder.get(), titleName.c_str(), 0);
            continue;
        }
        auto title = readTitle(folder.get(), titleName);
        if (!title) continue;
        struct stat facts{};
        ::fstatat(folder.get(), titleName.c_str(), &facts, AT_SYMLINK_NOFOLLOW);
        found.push_back({{windowsFolder() / socketName, processIdOf(stem), std::move(*title)}, facts.st_mtim});
    }
    // Title files without a socket: a registration under way (locked) or abandoned (not).
    for (const auto& titleName : titles) {
        if (!socketStems.contains(stemOf(titleName, kTitleSuffix)) && !isLocked(folder.get(), titleName)) {
            ::unlinkat(folder.get(), titleName.c_str(), 0);
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.registered.tv_sec != b.registered.tv_sec ? a.registered.tv_sec < b.registered.tv_sec
                                                          : a.registered.tv_nsec < b.registered.tv_nsec;
    });
    std::vector<Entry> entries;
    for (auto& item : found) entries.push_back(std::move(item.entry));
    return entries;
}

std::optional<std::string> titleOf(const std::filesystem::path& socketPath) {
    const auto name = socketPath.filename().string();
    if (!name.ends_with(kSocketSuffix) || socketPath.parent_path() != windowsFolder()) return std::nullopt;
    const Descriptor folder = openSubfolder("windows", false);
    if (!folder.valid()) return std::nullopt;
    const std::string titleName = stemOf(name, kSocketSuffix) + std::string(kTitleSuffix);
    struct stat facts{};
    if (::fstatat(folder.get(), name.c_str(), &facts, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISSOCK(facts.st_mode) ||
        !isLocked(folder.get(), titleName)) {
        return std::nullopt;
    }
    return readTitle(folder.get(), titleName);
}

socket_io::ConnectResult connectToWindow(const std::filesystem::path& socketPath, socket_io::Descriptor& socket) {
    const auto name = socketPath.filename().string();
    if (!name.ends_with(kSocketSuffix) || socketPath.parent_path() != windowsFolder()) return socket_io::ConnectResult::NoListener;
    const Descriptor folder = openSubfolder("windows", false);
    if (!folder.valid()) return socket_io::ConnectResult::NoListener;
    return socket_io::connectIn(folder.get(), name, SOCK_SEQPACKET, socket);
}

}  // namespace platform::windows::folder
