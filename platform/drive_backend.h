#pragma once
// What stands behind an open physical drive: a real disk, or a simulated controller. It takes
// device control requests with exactly the buffers the platform's IOCTLs take.
//
// The platform opens real disks itself. A drive entry that is a regular file is opened by the
// backend a program registered at its start (the simulator, in the programs and tests that
// accept simulated drives); the platform itself knows nothing above it.

#include <cstdint>
#include <filesystem>
#include <memory>

namespace platform {

class DriveBackend {
public:
    virtual ~DriveBackend() = default;
    // One DeviceIoControl. `in` and `out` may be the same buffer (the SCSI pass-through request).
    // On failure returns false with `error` set to a platform error code.
    virtual bool ioControl(std::uint32_t code, const void* in, std::uint32_t inSize, void* out, std::uint32_t outSize,
                           std::uint32_t& bytesReturned, std::uint32_t& error) = 0;
};

// Opens the drive a regular file describes; empty with `error` set to a platform error code
// on failure.
using FileDriveOpener = std::unique_ptr<DriveBackend> (*)(const std::filesystem::path& file, std::uint32_t& error);

// Registers what opens drive entries that are regular files, in place of any earlier one.
// Call it at the program's start, before any drive is opened.
void registerFileDriveOpener(FileDriveOpener opener);

// The registered opener's answer for `file`; without one, a file is no drive: empty with 2.
std::unique_ptr<DriveBackend> openFileDrive(const std::filesystem::path& file, std::uint32_t& error);

}  // namespace platform
