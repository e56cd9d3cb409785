#include "platform/file_lock.h"

#include <windows.h>

#include <algorithm>
#include <thread>
#include <utility>

#include "platform/windows/file_checks.h"
#include "platform/windows/trusted_accounts.h"

namespace platform {

namespace {

// The system's error as the error code callers compare with std::errc, keeping the system's own
// code (and message) for the rest.
std::error_code errorCodeFor(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return std::make_error_code(std::errc::no_such_file_or_directory);
        case ERROR_ACCESS_DENIED: return std::make_error_code(std::errc::permission_denied);
        case ERROR_DISK_FULL: return std::make_error_code(std::errc::no_space_on_device);
        default: return {static_cast<int>(error), std::system_category()};
    }
}

HANDLE nativeHandle(NativeHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// The lock is released before the handle closes: a lock left to the close goes only when the
// system gets round to it.
void release(NativeHandle handle) {
    if (handle == kInvalidNativeHandle) return;
    OVERLAPPED whole{};
    ::UnlockFileEx(nativeHandle(handle), 0, MAXDWORD, MAXDWORD, &whole);
    ::CloseHandle(nativeHandle(handle));
}

}  // namespace

std::optional<FileLock> FileLock::open(const std::filesystem::path& path, std::error_code& error) {
    // FILE_FLAG_OPEN_REPARSE_POINT: a link at the path is opened itself (and refused below), so
    // that no file of another's choosing is opened or created. A file another user made is
    // refused; a new file gets the owner-only access rights, an existing one is given them.
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | WRITE_DAC,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, win32::ownerOnlyAttributes(), OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = errorCodeFor(::GetLastError());
        return std::nullopt;
    }
    const bool existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
    if (!win32::isPlainFile(file) || !win32::ownedByTrustedAccount(file) ||
        (existed && !win32::restrictToOwner(file))) {
        ::CloseHandle(file);
        error = std::make_error_code(std::errc::permission_denied);
        return std::nullopt;
    }
    error.clear();
    return FileLock(reinterpret_cast<NativeHandle>(file));
}

FileLock::FileLock(FileLock&& other) noexcept : handle_(std::exchange(other.handle_, kInvalidNativeHandle)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) release(std::exchange(handle_, std::exchange(other.handle_, kInvalidNativeHandle)));
    return *this;
}

FileLock::~FileLock() { release(handle_); }

bool FileLock::lock(std::error_code& error, std::chrono::milliseconds limit) {
    // Locks belong to the handle, so two objects exclude each other in one process too. The lock
    // is tried without waiting, with pauses that grow to 10 ms, until the limit: LockFileEx on a
    // handle opened for plain I/O would otherwise wait without end.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        OVERLAPPED whole{};
        if (::LockFileEx(nativeHandle(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                         &whole)) {
            break;
        }
        const DWORD failure = ::GetLastError();
        if (failure != ERROR_LOCK_VIOLATION && failure != ERROR_IO_PENDING) {
            error = errorCodeFor(failure);
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
