#pragma once
// Error codes of the platform the programs were written for, and the per-thread "last error"
// that platform calls leave behind for the caller to print, as GetLastError() does.

#include <cstdint>

namespace platform {

inline constexpr std::uint32_t kErrorSuccess = 0;
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorPathNotFound = 3;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorNotEnoughMemory = 8;
inline constexpr std::uint32_t kErrorInvalidData = 13;
inline constexpr std::uint32_t kErrorWriteProtect = 19;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorDiskFull = 112;
inline constexpr std::uint32_t kErrorModNotFound = 126;
inline constexpr std::uint32_t kErrorProcNotFound = 127;
inline constexpr std::uint32_t kErrorAlreadyExists = 183;
inline constexpr std::uint32_t kErrorKeyDeleted = 1018;
inline constexpr std::uint32_t kErrorDependentServicesRunning = 1051;
inline constexpr std::uint32_t kErrorInvalidServiceControl = 1052;
inline constexpr std::uint32_t kErrorServiceRequestTimeout = 1053;
inline constexpr std::uint32_t kErrorServiceAlreadyRunning = 1056;
inline constexpr std::uint32_t kErrorServiceDoesNotExist = 1060;
inline constexpr std::uint32_t kErrorServiceCannotAcceptCtrl = 1061;
inline constexpr std::uint32_t kErrorServiceNotActive = 1062;
inline constexpr std::uint32_t kErrorFailedServiceControllerConnect = 1063;
inline constexpr std::uint32_t kErrorFileCorrupt = 1392;
inline constexpr std::uint32_t kErrorServiceExists = 1073;
inline constexpr std::uint32_t kErrorGenFailure = 31;

std::uint32_t lastError();
void setLastError(std::uint32_t error);

// Maps an errno value to the nearest platform error code: a full disk is 112, a read-only file
// system 19, a missing file 2.
std::uint32_t errorFromErrno(int errnoValue);
// As errorFromErrno for a call on `path`: a missing file whose folder is missing too is 3.
std::uint32_t errorFromErrnoAt(int errnoValue, const char* path);

}  // namespace platform
