#include "common/status_change.h"

namespace lmx {

bool memberPresenceChanged(const ControllerStatusRecord& before, const ControllerStatusRecord& after) {
    for (std::size_t k = 0; k < kMemberSlotCount; ++k) {
        if ((before.drive[k].status ^ after.drive[k].status) & kDrivePresentBit) return true;
    }
    return false;
}

bool rebuildEndedWithSkippedSectors(std::uint8_t statusBefore, const ControllerStatusRecord& after) {
    const bool rebuildEnded =
        (statusBefore == kRaidRebuilding || statusBefore == kRaidRebuildStopped) && after.raidStatus == kRaidNormal;
    return rebuildEnded && after.errorSkipped != 0;
}

}  // namespace lmx
