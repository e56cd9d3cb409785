#include "platform/win_error.h"

#include <cerrno>
#include <filesystem>

namespace platform {

namespace {
thread_local std::uint32_t tLastError = kErrorSuccess;
}

std::uint32_t lastError() { return tLastError; }
void setLastError(std::uint32_t error) { tLastError = error; }

std::uint32_t errorFromErrno(int errnoValue) {
    switch (errnoValue) {
        case 0: return kErrorSuccess;
        case ENOENT:
        case ENOTDIR: return kErrorFileNotFound;
        case EACCES:
        case EPERM: return kErrorAccessDenied;
        case EROFS: return kErrorWriteProtect;
        case ENOSPC: return kErrorDiskFull;
#ifdef EDQUOT
        case EDQUOT: return kErrorDiskFull;
#endif
        case EBADF: return kErrorInvalidHandle;
        case ENOMEM: return kErrorNotEnoughMemory;
        case EINVAL: return kErrorInvalidParameter;
        case EEXIST: return kErrorAlreadyExists;
        default: return kErrorGenFailure;
    }
}

std::uint32_t errorFromErrnoAt(int errnoValue, const char* path) {
    if (errnoValue == ENOENT && path) {
        std::error_code error;
        const auto folder = std::filesystem::path(path).parent_path();
        if (!folder.empty() && !std::filesystem::is_directory(folder, error)) return kErrorPathNotFound;
    }
    return errorFromErrno(errnoValue);
}

}  // namespace platform
