#pragma once
// A real disk behind a physical drive: a block device (/dev/sdX) or a SCSI generic device
// (/dev/sgN). All three requests become SG_IO calls:
//  - the SCSI pass-through request goes to the disk with its own command block; on a disk that
//    libata drives, sense in the older libata layout is rewritten into the SAT layout, and the data
//    of a failed data-in command is not passed on (sg_io_translation.h);
//  - the direct ATA request and the legacy SMART request go as ATA PASS-THROUGH(16) with CK_COND
//    set, on a disk that libata drives only, and return the registers the device ended the command
//    with (ata_task_file.h). Where that cannot be expressed, or the disk is not libata's, they fail
//    with 50 (not supported), as behind a driver without them, so that programs take the SCSI route.
// With LMXDUOWATCH_DEBUG set every request writes one debug line with its outcome.

#include <scsi/sg.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/drive_backend.h"

namespace platform {

// A device that refuses to open for lack of rights (EPERM, EACCES) says so on standard error, the
// service's log, once until it opens again.
std::unique_ptr<DriveBackend> openBlockDevice(const std::filesystem::path& device, std::uint32_t& error);

// The one call a disk is sent: SG_IO on its device, or, in tests, answers captured from a kernel.
class ScsiGenericChannel {
public:
    virtual ~ScsiGenericChannel() = default;
    // 0, or the errno value of a failed call.
    virtual int sgIo(sg_io_hdr_t& header) = 0;
};

// The drive over a channel; `name` heads its debug lines; `libata` says whether libata drives it.
std::unique_ptr<DriveBackend> makeDiskDrive(std::unique_ptr<ScsiGenericChannel> channel, std::string name,
                                            bool libata);

// For tests that must reach a real disk by the SCSI route alone: while set, the direct ATA
// request and the legacy SMART request fail with 50 on every real disk, as on a disk that libata
// does not drive. Programs never call it; no option or setting reaches it.
void refuseAtaRequestsForTesting(bool refuse);

}  // namespace platform
