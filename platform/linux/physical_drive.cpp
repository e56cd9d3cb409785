#include "platform/drive_entry.h"
#include "platform/physical_drive.h"

#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "platform/linux/block_device_drive.h"
#include "platform/system_root.h"
#include "platform/win_error.h"

namespace platform {

namespace {

// The n-th whole SCSI/SATA disk of the machine, in name order.
std::optional<std::filesystem::path> machineDisk(int driveNumber) {
    std::vector<std::string> disks;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/block", error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("sd")) disks.push_back(name);
    }
    // sda … sdz come before sdaa: shorter names first, then by name.
    std::sort(disks.begin(), disks.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    if (driveNumber < 0 || static_cast<std::size_t>(driveNumber) >= disks.size()) return std::nullopt;
    return std::filesystem::path("/dev") / disks[static_cast<std::size_t>(driveNumber)];
}

}  // namespace

std::unique_ptr<DriveBackend> openDriveEntry(int driveNumber, std::uint32_t& error) {
    const auto entry = driveEntryPath(driveNumber);
    std::error_code ignored;
    const auto status = std::filesystem::status(entry, ignored);
    if (std::filesystem::is_regular_file(status)) return openFileDrive(entry, error);
    // A disk's block device, or its SCSI generic device.
    if (std::filesystem::is_block_file(status) || std::filesystem::is_character_file(status)) {
        return openBlockDevice(entry, error);
    }
    if (!std::filesystem::exists(status) && !std::filesystem::is_symlink(entry, ignored) && isDefaultSystemRoot()) {
        if (const auto disk = machineDisk(driveNumber)) return openBlockDevice(*disk, error);
    }
    error = kErrorFileNotFound;
    return nullptr;
}

}  // namespace platform
