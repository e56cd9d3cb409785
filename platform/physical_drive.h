#pragma once
// Physical drives: CreateFileA on "\\.\PHYSICALDRIVEn", DeviceIoControl, CloseHandle.
//
// Drive n is resolved in the system root: devices/PHYSICALDRIVEn is either a link to a disk's
// block device or SCSI generic device (a real disk) or a file describing a simulated drive,
// opened by the registered file drive opener (drive_backend.h). With the default root and no
// entry for n, drive n is the n-th whole SCSI/SATA disk of the machine (/sys/block/sd* in name
// order). On Windows a regular file there is a simulated drive as well, and with the default root
// and no entry drive n is the machine's own "\\.\PHYSICALDRIVEn"; a test's root reaches no real
// disk there. A drive that does not exist fails to open with 2.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/drive_backend.h"

namespace platform {

inline constexpr std::uint32_t kErrorInvalidFunction = 1;
inline constexpr std::uint32_t kErrorNotSupported = 50;
inline constexpr std::uint32_t kErrorIoDevice = 1117;
inline constexpr std::uint32_t kErrorSemTimeout = 121;

class DriveHandle {
public:
    // Opens "\\.\PHYSICALDRIVEn" for reading and writing; empty with the last error set on failure.
    static std::optional<DriveHandle> open(std::string_view devicePath);

    DriveHandle(DriveHandle&&) noexcept;
    DriveHandle& operator=(DriveHandle&&) noexcept;
    ~DriveHandle();

    // DeviceIoControl; false with the last error set on failure.
    bool ioControl(std::uint32_t code, const void* in, std::uint32_t inSize, void* out, std::uint32_t outSize,
                   std::uint32_t* bytesReturned = nullptr);

private:
    explicit DriveHandle(std::unique_ptr<DriveBackend> backend);
    std::unique_ptr<DriveBackend> backend_;
};

// The name of drive n, "\\.\PHYSICALDRIVEn" (the case of the letters does not matter).
inline std::string physicalDrivePath(int driveNumber) { return "\\\\.\\PHYSICALDRIVE" + std::to_string(driveNumber); }

// The drive number of "\\.\PHYSICALDRIVEn", or empty for any other name.
std::optional<int> physicalDriveNumber(std::string_view devicePath);

// Where drive n is described in the system root.
std::filesystem::path driveEntryPath(int driveNumber);

}  // namespace platform
