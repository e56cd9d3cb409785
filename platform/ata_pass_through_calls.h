#pragma once
// The two pass-through calls that carry an ATA command to an open drive, as every program that
// talks to drives makes them: the direct ATA request and the SCSI pass-through request.

#include "common/ata_pass_through.h"
#include "platform/physical_drive.h"

namespace platform {

// IOCTL_ATA_PASS_THROUGH_DIRECT: `reply` cleared, then the call, which moves the data between the
// device and the descriptor's buffer and leaves the returned registers in `reply`. False (the last
// error set) when the call failed.
bool callAtaPassThroughDirect(DriveHandle& drive, lmx::AtaPassThroughDirect& request, lmx::AtaPassThroughDirect& reply);

// IOCTL_SCSI_PASS_THROUGH with `sat` as input and output and the sizes it was built with. False
// (the last error set) when the call failed; the SCSI status and sense are then the caller's to read.
bool callScsiPassThrough(DriveHandle& drive, lmx::ScsiPassThroughRequest& sat, lmx::ScsiPassThroughSizes sizes);

}  // namespace platform
