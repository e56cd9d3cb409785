// Drive n on Windows: a simulated drive when the system root has a file for it
// (devices/PHYSICALDRIVEn, opened by the registered file drive opener), else, under the default
// root, the machine's own "\\.\PHYSICALDRIVEn". A test's root reaches no real disk.

#include "platform/drive_entry.h"

#include "platform/physical_drive.h"
#include "platform/system_root.h"
#include "platform/win_error.h"
#include "platform/windows/disk_drive.h"

namespace platform {

std::unique_ptr<DriveBackend> openDriveEntry(int driveNumber, std::uint32_t& error) {
    const auto entry = driveEntryPath(driveNumber);
    std::error_code ignored;
    const auto status = std::filesystem::status(entry, ignored);
    if (std::filesystem::is_regular_file(status)) return openFileDrive(entry, error);
    if (!std::filesystem::exists(status) && isDefaultSystemRoot()) return win32::openDisk(driveNumber, error);
    error = kErrorFileNotFound;
    return nullptr;
}

}  // namespace platform
