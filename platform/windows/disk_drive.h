#pragma once
// A real disk behind a physical drive: "\\.\PHYSICALDRIVEn" opened with CreateFileW, each request
// one DeviceIoControl on it. The direct ATA request and the legacy SMART request go as they
// are (their layouts are this process's own); the SCSI pass-through request is rebuilt in this
// process's SCSI_PASS_THROUGH layout (scsi_pass_through_layout.h) and its answer carried back.
// With LMXDUOWATCH_DEBUG set every request writes one debug line with its outcome.

#include <cstdint>
#include <memory>

#include "platform/drive_backend.h"

namespace platform::win32 {

// Drive n of the machine; empty with `error` set to the system's error code when it cannot be
// opened (2 for a drive that does not exist, 5 without an administrator's rights).
std::unique_ptr<DriveBackend> openDisk(int driveNumber, std::uint32_t& error);

}  // namespace platform::win32
