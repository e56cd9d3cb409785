#include "platform/trusted_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <utility>
#include <vector>

#include "platform/linux/replace_in_folder.h"
#include "platform/linux/socket_io.h"
#include "platform/win_error.h"

namespace platform {

namespace {

using socket_io::Descriptor;

std::string ownerText(uid_t owner) { return "owned by uid " + std::to_string(owner); }

bool trustedOwner(uid_t owner) { return owner == 0 || owner == ::geteuid(); }

// Why the open folder at `path` breaks the rule, or empty. `last` tells whether a folder of the
// path comes below it.
std::string judge(int fd, const std::filesystem::path& path, bool last) {
    struct stat facts{};
    if (::fstat(fd, &facts) != 0) return path.string() + " cannot be examined";
    if (!trustedOwner(facts.st_uid)) return path.string() + " is " + ownerText(facts.st_uid);
    if ((facts.st_mode & (S_IWGRP | S_IWOTH)) == 0) return {};
    if (!last && (facts.st_mode & S_ISVTX) != 0) return {};
    return path.string() + " may be written by other users";
}

// Opens the folder along `folder`, judging every folder on the way. With `missingIsFine`, a path
// whose end does not exist yet stops at its last existing folder, judged as one above others.
Descriptor walk(const std::filesystem::path& folder, bool missingIsFine, std::string& refusal, bool& missing) {
    missing = false;
    const auto path = folder.lexically_normal();
    if (!path.is_absolute()) {
        refusal = folder.string() + " is not an absolute path";
        setLastError(kErrorAccessDenied);
        return {};
    }
    std::vector<std::filesystem::path> names;
    for (const auto& part : path.relative_path()) {
        if (!part.empty() && part != ".") names.push_back(part);
    }
    std::filesystem::path reached = "/";
    Descriptor current(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (std::size_t i = 0;; ++i) {
        if (!current.valid()) {
            refusal = "/ cannot be opened";
            setLastError(kErrorAccessDenied);
            return {};
        }
        const bool last = i == names.size();
        refusal = judge(current.get(), reached, last);
        if (!refusal.empty()) {
            setLastError(kErrorAccessDenied);
            return {};
        }
        if (last) return current;
        reached /= names[i];
        Descriptor next(::openat(current.get(), names[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid()) {
            const int error = errno;
            if (error == ENOENT) {
                missing = true;
                if (missingIsFine) return current;
                refusal = reached.string() + " does not exist";
                setLastError(kErrorPathNotFound);
                return {};
            }
            // O_NOFOLLOW|O_DIRECTORY on a link fails with ELOOP or ENOTDIR, as on a plain file.
            struct stat facts{};
            const bool link = ::fstatat(current.get(), names[i].c_str(), &facts, AT_SYMLINK_NOFOLLOW) == 0 &&
                              S_ISLNK(facts.st_mode);
            refusal = reached.string() + (link ? " is a link" : error == ENOTDIR ? " is not a folder" : " cannot be opened");
            setLastError(kErrorAccessDenied);
            return {};
        }
        current = std::move(next);
    }
}

std::uint32_t errorFor(int error) {
    switch (error) {
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

std::string randomSuffix() {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device source;
    std::string suffix = ".";
    for (int i = 0; i < 6; ++i) suffix += kLetters[source() % (sizeof kLetters - 1)];
    return suffix;
}

}  // namespace

bool replaceFileInFolder(int folder, std::string_view name, std::string_view bytes) {
    if (name.empty() || name.find('/') != std::string_view::npos || name == "." || name == "..") {
        setLastError(kErrorInvalidParameter);
        return false;
    }
    std::string temporary;
    Descriptor file;
    for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
        temporary = std::string(name) + randomSuffix();
        file.reset(::openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!file.valid() && errno != EEXIST) break;
    }
    if (!file.valid()) {
        setLastError(errno == ENOENT || errno == ENOTDIR ? kErrorPathNotFound : errorFor(errno));
        return false;
    }
    const bool written = writeAll(file.get(), bytes) && ::fchmod(file.get(), 0644) == 0;
    int error = written ? 0 : errno;
    if (::close(file.release()) != 0 && !error) error = errno;
    // renameat() replaces a link at the name itself, never the file it points to.
    if (!error && ::renameat(folder, temporary.c_str(), folder, std::string(name).c_str()) != 0) error = errno;
    if (error) {
        ::unlinkat(folder, temporary.c_str(), 0);
        setLastError(errorFor(error));
        return false;
    }
    return true;
}

std::optional<TrustedFolder> TrustedFolder::open(const std::filesystem::path& folder, std::string& refusal) {
    bool missing = false;
    Descriptor opened = walk(folder, false, refusal, missing);
    if (!opened.valid()) return std::nullopt;
    refusal.clear();
    return TrustedFolder(opened.release());
}

TrustedFolder::TrustedFolder(TrustedFolder&& other) noexcept
    : handle_(std::exchange(other.handle_, kInvalidNativeHandle)) {}

TrustedFolder& TrustedFolder::operator=(TrustedFolder&& other) noexcept {
    if (this != &other) {
        if (handle_ != kInvalidNativeHandle) ::close(static_cast<int>(handle_));
        handle_ = std::exchange(other.handle_, kInvalidNativeHandle);
    }
    return *this;
}

TrustedFolder::~TrustedFolder() {
    if (handle_ != kInvalidNativeHandle) ::close(static_cast<int>(handle_));
}

bool TrustedFolder::replaceFile(std::string_view name, std::string_view bytes) const {
    return replaceFileInFolder(static_cast<int>(handle_), name, bytes);
}

bool TrustedFolder::removeFile(std::string_view name) const {
    const std::string plain(name);
    if (plain.empty() || plain.find('/') != std::string::npos || plain == "." || plain == "..") {
        setLastError(kErrorInvalidParameter);
        return false;
    }
    if (::unlinkat(static_cast<int>(handle_), plain.c_str(), 0) == 0 || errno == ENOENT) return true;
    setLastError(errorFor(errno));
    return false;
}

std::string untrustedFolderReason(const std::filesystem::path& folder) {
    std::string refusal;
    bool missing = false;
    walk(folder, true, refusal, missing);
    return refusal;
}

}  // namespace platform
