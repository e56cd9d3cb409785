#pragma once
// A lock file (CreateFileA with LockFileEx on the whole file): an exclusive lock held from
// lock() until the object is destroyed. Two objects exclude each other whether they are in one
// process or in two. Failures are reported as the system's error codes, whose message texts
// the caller can show.

#include <chrono>
#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/native_handle.h"

namespace platform {

class FileLock {
public:
    // Opens the lock file, creating it readable and writable by its owner alone (one that others
    // could open is made so on open): a user who could open it could hold its lock and keep the
    // owner waiting. Empty with `error` set when it cannot be opened, or is not the caller's own
    // plain file. A link at the path is refused, so that nobody can have another file opened or
    // created.
    static std::optional<FileLock> open(const std::filesystem::path& path, std::error_code& error);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    ~FileLock();  // releases the lock

    // Waits for the exclusive lock for at most `limit`; false with `error` set when it cannot be
    // taken (std::errc::timed_out when it was held elsewhere all that time).
    bool lock(std::error_code& error, std::chrono::milliseconds limit);

private:
    explicit FileLock(NativeHandle handle) : handle_(handle) {}
    NativeHandle handle_ = kInvalidNativeHandle;
};

}  // namespace platform
