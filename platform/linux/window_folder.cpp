#include "platform/linux/window_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
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

struct OpenFolder {
    Descriptor descriptor;
    std::filesystem::path path;
};

// A user may make the sessions folder only in a system root of their own.
bool ownsSystemRoot() {
    struct stat facts{};
    return ::stat(systemRoot().c_str(), &facts) == 0 && facts.st_uid == ::geteuid();
}

// A folder that the calling user may act in: a real directory reached without following a
// link, owned by the user, and writable by nobody else. Anything else was planted by another
// user, who could otherwise receive the messages meant for this user's windows, hold this
// user's mutexes or have files of this user's removed.
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

// The sessions folder holds the folders of users who have no runtime folder of their own, and
// root's. Only its owner (root, or the user whose system root it is) makes folders in it, so it
// must be that owner's and closed to everybody else. An older layout left it open to all
// (sticky, 1777): its owner closes it on the way.
Descriptor openSessionsFolder(bool create) {
    if (create && !socket_io::ensureDirectory(sessionsFolder(), 0755)) {
        setLastError(kErrorAccessDenied);
        return {};
    }
    Descriptor folder(::open(sessionsFolder().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat facts{};
    if (!folder.valid() || ::fstat(folder.get(), &facts) != 0) {
        setLastError(errno == ENOENT ? kErrorFileNotFound : kErrorAccessDenied);
        return {};
    }
    const bool ownedByCaller = facts.st_uid == ::geteuid();
    if (facts.st_uid != 0 && !ownedByCaller) {
        setLastError(kErrorAccessDenied);
        return {};
    }
    if ((facts.st_mode & 022) != 0 && (!ownedByCaller || ::fchmod(folder.get(), 0755) != 0)) {
        setLastError(kErrorAccessDenied);
        return {};
    }
    return folder;
}

// Root's own folder in the sessions folder. Under the older, open layout another user could
// make it first; such a folder is renamed out of the way (never entered) and a new one made.
Descriptor openRootsFolder(int sessions, bool create) {
    Descriptor folder = openOwnFolder(sessions, "0", create);
    if (folder.valid() || !create || lastError() != kErrorAccessDenied) return folder;
    struct stat facts{};
    if (::fstatat(sessions, "0", &facts, AT_SYMLINK_NOFOLLOW) != 0 || facts.st_uid == 0) return folder;
    static std::atomic<unsigned> counter{0};
    const std::string aside = ".planted-0-uid" + std::to_string(facts.st_uid) + "-" + std::to_string(::getpid()) + "-" +
                              std::to_string(counter++);
    if (::renameat(sessions, "0", sessions, aside.c_str()) != 0) {
        setLastError(kErrorAccessDenied);
        return {};
    }
    return openOwnFolder(sessions, "0", true);
}

// The user's runtime folder, made by the log-on manager for that user alone: XDG_RUNTIME_DIR
// when it names one, else /run/user/<uid>. It must be the user's own, mode 0700.
std::optional<OpenFolder> openRuntimeFolder() {
    std::vector<std::filesystem::path> candidates;
    if (const char* named = std::getenv("XDG_RUNTIME_DIR"); named && named[0] == '/') candidates.emplace_back(named);
    candidates.push_back(std::filesystem::path("/run/user") / std::to_string(::geteuid()));
    for (auto& path : candidates) {
        Descriptor folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat facts{};
        if (folder.valid() && ::fstat(folder.get(), &facts) == 0 && facts.st_uid == ::geteuid() && (facts.st_mode & 077) == 0) {
            return OpenFolder{std::move(folder), path.lexically_normal()};
        }
    }
    return std::nullopt;
}

// This system root's name among the folders of a runtime folder: several roots (a machine's
// and tests') may be used side by side by one user.
std::string rootFolderName() {
    std::error_code error;
    auto root = std::filesystem::weakly_canonical(systemRoot(), error);
    if (error) root = systemRoot().lexically_normal();
    std::string text = root.string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name = "lmxduowatch-";
    for (int shift = 60; shift >= 0; shift -= 4) name += kHex[(hash >> shift) & 0xF];
    return name;
}

// The calling user's folder for this system root, opened and checked: root's is made by root in
// the sessions folder; another user's is in the user's runtime folder, or, for a user without
// one, in the sessions folder when its owner (root, or the user whose root it is) made it there.
std::optional<OpenFolder> openUserFolder(bool create) {
    const std::string user = std::to_string(::geteuid());
    if (::geteuid() != 0) {
        if (auto runtime = openRuntimeFolder()) {
            const std::string name = rootFolderName();
            Descriptor folder = openOwnFolder(runtime->descriptor.get(), name, create);
            if (!folder.valid()) return std::nullopt;
            return OpenFolder{std::move(folder), runtime->path / name};
        }
    }
    const Descriptor sessions = openSessionsFolder(create && (::geteuid() == 0 || ownsSystemRoot()));
    if (!sessions.valid()) return std::nullopt;
    Descriptor folder = ::geteuid() == 0 ? openRootsFolder(sessions.get(), create) : openOwnFolder(sessions.get(), user, create);
    if (!folder.valid()) return std::nullopt;
    return OpenFolder{std::move(folder), sessionsFolder() / user};
}

std::optional<OpenFolder> openSubfolder(std::string_view subfolder, bool create) {
    auto user = openUserFolder(create);
    if (!user) return std::nullopt;
    Descriptor folder = openOwnFolder(user->descriptor.get(), std::string(subfolder), create);
    if (!folder.valid()) return std::nullopt;
    return OpenFolder{std::move(folder), user->path / std::string(subfolder)};
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

std::optional<std::filesystem::path> userFolder() {
    auto folder = openUserFolder(false);
    if (!folder) return std::nullopt;
    return folder->path;
}

socket_io::Descriptor openUserSubfolder(std::string_view subfolder, bool create) {
    auto folder = openSubfolder(subfolder, create);
    return folder ? std::move(folder->descriptor) : Descriptor{};
}

bool prepareSessionsFolder() {
    const Descriptor sessions = openSessionsFolder(true);
    return sessions.valid() && (::geteuid() != 0 || openRootsFolder(sessions.get(), true).valid());
}

std::optional<Registration> reserve(std::string_view title) {
    Registration registration;
    auto windows = openSubfolder("windows", true);
    if (!windows) return std::nullopt;
    registration.folder = std::move(windows->descriptor);
    static std::atomic<unsigned> counter{0};
    const std::string stem = "w" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    registration.socketName = stem + std::string(kSocketSuffix);
    registration.titleName = stem + std::string(kTitleSuffix);
    registration.socketPath = windows->path / registration.socketName;
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
    const auto windows = openSubfolder("windows", false);
    if (!windows) return {};
    const Descriptor& folder = windows->descriptor;
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
        found.push_back({{windows->path / socketName, processIdOf(stem), std::move(*title)}, facts.st_mtim});
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
    const auto windows = openSubfolder("windows", false);
    if (!name.ends_with(kSocketSuffix) || !windows || socketPath.parent_path() != windows->path) return std::nullopt;
    const Descriptor& folder = windows->descriptor;
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
    const auto windows = openSubfolder("windows", false);
    if (!name.ends_with(kSocketSuffix) || !windows || socketPath.parent_path() != windows->path) {
        return socket_io::ConnectResult::NoListener;
    }
    return socket_io::connectIn(windows->descriptor.get(), name, SOCK_SEQPACKET, socket);
}

}  // namespace platform::windows::folder
