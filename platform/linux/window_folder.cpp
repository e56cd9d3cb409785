#include "platform/linux/window_folder.h"

#include <fcntl.h>
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

bool isLocked(const std::filesystem::path& titlePath) {
    Descriptor file(::open(titlePath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!file.valid()) return false;
    flock lock = wholeFileWriteLock();
    return ::fcntl(file.get(), F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

std::optional<std::string> readTitle(const std::filesystem::path& titlePath) {
    Descriptor file(::open(titlePath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!file.valid()) return std::nullopt;
    std::string title;
    char buffer[512];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) return title;
        title.append(buffer, static_cast<std::size_t>(got));
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

std::filesystem::path withSuffix(const std::filesystem::path& socketPath, std::string_view suffix) {
    auto stem = socketPath.filename().string();
    stem.resize(stem.size() - kSocketSuffix.size());
    return socketPath.parent_path() / (stem + std::string(suffix));
}

// "w<pid>-<n>" → pid
std::uint32_t processIdOf(const std::string& stem) {
    std::uint32_t pid = 0;
    for (std::size_t i = 1; i < stem.size() && stem[i] >= '0' && stem[i] <= '9'; ++i) pid = pid * 10 + static_cast<std::uint32_t>(stem[i] - '0');
    return pid;
}

// The user's folder must be a real directory of the user's own: another user could otherwise
// plant one and receive the messages meant for this user's windows.
bool isOwnDirectory(const std::filesystem::path& directory) {
    struct stat facts{};
    return ::lstat(directory.c_str(), &facts) == 0 && S_ISDIR(facts.st_mode) && facts.st_uid == ::geteuid();
}

bool ensureUserFolder() {
    const auto userFolder = windowsFolder().parent_path();
    if (!socket_io::ensureDirectory(sessionsFolder(), 01777) || !socket_io::ensureDirectory(userFolder, 0700) ||
        !socket_io::ensureDirectory(windowsFolder(), 0700)) {
        setLastError(kErrorAccessDenied);
        return false;
    }
    if (!isOwnDirectory(userFolder) || !isOwnDirectory(windowsFolder())) {
        setLastError(kErrorAccessDenied);
        return false;
    }
    return true;
}

}  // namespace

std::filesystem::path sessionsFolder() { return systemRoot() / "sessions"; }

std::filesystem::path windowsFolder() { return sessionsFolder() / std::to_string(::geteuid()) / "windows"; }

std::optional<Registration> reserve(std::string_view title) {
    if (!ensureUserFolder()) return std::nullopt;
    static std::atomic<unsigned> counter{0};
    const std::string stem = "w" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    Registration registration;
    registration.socketPath = windowsFolder() / (stem + std::string(kSocketSuffix));
    registration.titlePath = windowsFolder() / (stem + std::string(kTitleSuffix));
    registration.titleFile.reset(
        ::open(registration.titlePath.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!registration.titleFile.valid()) {
        setLastError(errorFromErrno(errno));
        return std::nullopt;
    }
    flock lock = wholeFileWriteLock();
    if (::fcntl(registration.titleFile.get(), F_OFD_SETLK, &lock) != 0 || !writeAll(registration.titleFile.get(), title)) {
        setLastError(errorFromErrno(errno));
        ::unlink(registration.titlePath.c_str());
        return std::nullopt;
    }
    return registration;
}

void withdraw(Registration& registration) {
    ::unlink(registration.socketPath.c_str());
    ::unlink(registration.titlePath.c_str());
    registration.titleFile.reset();
}

std::vector<Entry> liveWindows() {
    struct Found {
        Entry entry;
        std::filesystem::file_time_type registered;
    };
    std::vector<Found> found;
    std::set<std::string> socketStems;
    std::vector<std::filesystem::path> titles;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(windowsFolder(), error)) {
        const auto name = item.path().filename().string();
        if (name.ends_with(kSocketSuffix)) socketStems.insert(name.substr(0, name.size() - kSocketSuffix.size()));
        if (name.ends_with(kTitleSuffix)) titles.push_back(item.path());
    }
    for (const auto& stem : socketStems) {
        const auto socketPath = windowsFolder() / (stem + std::string(kSocketSuffix));
        const auto titlePath = windowsFolder() / (stem + std::string(kTitleSuffix));
        if (!isLocked(titlePath)) {
            ::unlink(socketPath.c_str());
            ::unlink(titlePath.c_str());
            continue;
        }
        auto title = readTitle(titlePath);
        if (!title) continue;
        found.push_back({{socketPath, processIdOf(stem), std::move(*title)},
                         std::filesystem::last_write_time(titlePath, error)});
    }
    // Title files without a socket: a registration under way (locked) or abandoned (not).
    for (const auto& titlePath : titles) {
        auto stem = titlePath.filename().string();
        stem.resize(stem.size() - kTitleSuffix.size());
        if (!socketStems.contains(stem) && !isLocked(titlePath)) ::unlink(titlePath.c_str());
    }
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.registered < b.registered; });
    std::vector<Entry> entries;
    for (auto& item : found) entries.push_back(std::move(item.entry));
    return entries;
}

std::optional<std::string> titleOf(const std::filesystem::path& socketPath) {
    const auto name = socketPath.filename().string();
    if (!name.ends_with(kSocketSuffix) || socketPath.parent_path() != windowsFolder()) return std::nullopt;
    const auto titlePath = withSuffix(socketPath, kTitleSuffix);
    std::error_code error;
    if (!std::filesystem::exists(socketPath, error) || !isLocked(titlePath)) return std::nullopt;
    return readTitle(titlePath);
}

}  // namespace platform::windows::folder
