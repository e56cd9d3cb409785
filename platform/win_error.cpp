#include "platform/win_error.h"

#include <cerrno>

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
        case EPERM:
        case EROFS: return kErrorAccessDenied;
        case EBADF: return kErrorInvalidHandle;
        case ENOMEM: return kErrorNotEnoughMemory;
        case EINVAL: return kErrorInvalidParameter;
        case EEXIST: return kErrorAlreadyExists;
        default: return kErrorGenFailure;
    }
}

}  // namespace platform
