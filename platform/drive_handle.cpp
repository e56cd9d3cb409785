// An open physical drive and the names of drives, the same on every system the suite runs on;
// what opens a drive is the system's own (openDriveEntry in platform/<system>/physical_drive.cpp).

#include <cctype>
#include <charconv>

#include "platform/drive_entry.h"
#include "platform/physical_drive.h"
#include "platform/system_root.h"
#include "platform/win_error.h"

namespace platform {

namespace {
constexpr std::string_view kDrivePrefix = "\\\\.\\PHYSICALDRIVE";
}  // namespace

std::optional<DriveHandle> DriveHandle::open(std::string_view devicePath) {
    const auto number = physicalDriveNumber(devicePath);
    if (!number) {
        setLastError(kErrorFileNotFound);
        return std::nullopt;
    }
    std::uint32_t error = kErrorFileNotFound;
    auto backend = openDriveEntry(*number, error);
    if (!backend) {
        setLastError(error);
        return std::nullopt;
    }
    return DriveHandle(std::move(backend));
}

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
