#include "platform/physical_drive.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <vector>

#include "platform/linux/block_device_drive.h"
#include "platform/system_root.h"
#include "platform/win_error.h"

namespace platform {

namespace {

constexpr std::string_view kDrivePrefix = "\\\\.\\PHYSICALDRIVE";

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

std::unique_ptr<DriveBackend> openEntry(int driveNumber, std::uint32_t& error) {
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

}  // namespace

std::optional<int> physicalDriveNumber(std::string_view devicePath) {
    if (devicePath.size() <= kDrivePrefix.size()) return std::nullopt;
    for (std::size_t i = 0; i < kDrivePrefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(devicePath[i])) != kDrivePrefix[i]) return std::nullopt;
    }
    const std::string_view digits = devicePath.substr(kDrivePrefix.size());
    int number = -1;
    const auto [end, result] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (result != std::errc() || end != digits.data() + digits.size() || number < 0) return std::nullopt;
    return number;
}

std::filesystem::path driveEntryPath(int driveNumber) {
    return systemRoot() / "devices" / ("PHYSICALDRIVE" + std::to_string(driveNumber));
}

std::optional<DriveHandle> DriveHandle::open(std::string_view devicePath) {
    const auto number = physicalDriveNumber(devicePath);
    if (!number) {
        setLastError(kErrorFileNotFound);
        return std::nullopt;
    }
    std::uint32_t error = kErrorFileNotFound;
    auto backend = openEntry(*number, error);
    if (!backend) {
        setLastError(error);
        return std::nullopt;
    }
    return DriveHandle(std::move(backend));
}

DriveHandle::DriveHandle(std::unique_ptr<DriveBackend> backend) : backend_(std::move(backend)) {}
DriveHandle::DriveHandle(DriveHandle&&) noexcept = default;
DriveHandle& DriveHandle::operator=(DriveHandle&&) noexcept = default;
DriveHandle::~DriveHandle() = default;

bool DriveHandle::ioControl(std::uint32_t code, const void* in, std::uint32_t inSize, void* out, std::uint32_t outSize,
                            std::uint32_t* bytesReturned) {
    std::uint32_t returned = 0;
    std::uint32_t error = kErrorSuccess;
    const bool ok = backend_ && backend_->ioControl(code, in, inSize, out, outSize, returned, error);
    if (bytesReturned) *bytesReturned = returned;
    if (!ok) setLastError(backend_ ? error : kErrorInvalidHandle);
    return ok;
}

}  // namespace platform
