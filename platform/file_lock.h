#pragma once
// A lock file (CreateFileA with LockFileEx on the whole file): an exclusive lock held from
// lock() until the object is destroyed. Two objects exclude each other whether they are in one
// process or in two. Failures are reported as the system's error codes, whose message texts
// the caller can show.

#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/native_handle.h"

namespace platform {

class FileLock {
public:
    // Opens the lock file, creating it readable and writable by every user (several users'
    // programs may share what it guards); empty with `error` set when it cannot be opened. A
    // link at the path is refused, so that nobody can have another file opened or created.
    static std::optional<FileLock> open(const std::filesystem::path& path, std::error_code& error);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    ~FileLock();  // releases the lock

    // Waits for the exclusive lock; false with `error` set when it cannot be taken.
    bool lock(std::error_code& error);

private:
    explicit FileLock(NativeHandle handle) : handle_(handle) {}
    NativeHandle handle_ = kInvalidNativeHandle;
};

}  // namespace platform
