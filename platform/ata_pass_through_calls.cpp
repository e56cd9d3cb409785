#include "platform/ata_pass_through_calls.h"

#include <cstring>

namespace platform {

bool callAtaPassThroughDirect(DriveHandle& drive, lmx::AtaPassThroughDirect& request, lmx::AtaPassThroughDirect& reply) {
    std::memset(&reply, 0, sizeof reply);
    return drive.ioControl(lmx::kIoctlAtaPassThroughDirect, &request, sizeof request, &reply, sizeof reply);
}

bool callScsiPassThrough(DriveHandle& drive, lmx::ScsiPassThroughRequest& sat, lmx::ScsiPassThroughSizes sizes) {
    return drive.ioControl(lmx::kIoctlScsiPassThrough, &sat, sizes.in, &sat, sizes.out);
}

}  // namespace platform
