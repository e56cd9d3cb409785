#pragma once
// What the system behind physical drive n is, opened: the system's own part of
// DriveHandle::open (platform/<system>/physical_drive.cpp). Null with the platform's error code
// in `error` when there is none or it cannot be opened.

#include <cstdint>
#include <memory>

#include "platform/drive_backend.h"

namespace platform {

std::unique_ptr<DriveBackend> openDriveEntry(int driveNumber, std::uint32_t& error);

}  // namespace platform
