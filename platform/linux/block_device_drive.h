#pragma once
// A real disk behind a physical drive: the SCSI pass-through request goes to the disk as SG_IO;
// the direct ATA request and the legacy SMART request use the kernel's ATA ioctls for what
// they can express, and otherwise fail as a driver without them fails (so that programs fall
// back to the SCSI route).

#include <filesystem>
#include <memory>

#include "platform/drive_backend.h"

namespace platform {

std::unique_ptr<DriveBackend> openBlockDevice(const std::filesystem::path& device, std::uint32_t& error);

}  // namespace platform
