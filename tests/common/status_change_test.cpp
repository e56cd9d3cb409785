#include "common/status_change.h"

#include <gtest/gtest.h>

namespace lmx {
namespace {

ControllerStatusRecord withStatus(std::uint8_t raidStatus, bool errorSkipped = false) {
    ControllerStatusRecord record;
    clearRecord(record);
    record.raidStatus = raidStatus;
    record.errorSkipped = errorSkipped ? 1 : 0;
    return record;
}

TEST(StatusChange, OnlyTheMemberPresentBitsOfAllThreeSlotsCount) {
    ControllerStatusRecord before = withStatus(kRaidNormal);
    ControllerStatusRecord after = before;
    after.drive[0].status = kDriveRebuildingBit;
    after.drive[1].statusExtra = kDriveSpareBit;
    after.drive[1].temperature = 70;
    EXPECT_FALSE(memberPresenceChanged(before, after));

    after.drive[2].status = kDrivePresentBit;  // the third slot counts whatever the model
    EXPECT_TRUE(memberPresenceChanged(before, after));
    EXPECT_TRUE(memberPresenceChanged(after, before));
}

TEST(StatusChange, ARebuildEndsWithSkippedSectorsOnlyFromRebuildToNormalWithTheFlag) {
    EXPECT_TRUE(rebuildEndedWithSkippedSectors(kRaidRebuilding, withStatus(kRaidNormal, true)));
    EXPECT_TRUE(rebuildEndedWithSkippedSectors(kRaidRebuildStopped, withStatus(kRaidNormal, true)));

    EXPECT_FALSE(rebuildEndedWithSkippedSectors(kRaidRebuilding, withStatus(kRaidNormal, false)));
    EXPECT_FALSE(rebuildEndedWithSkippedSectors(kRaidNormal, withStatus(kRaidNormal, true)));
    EXPECT_FALSE(rebuildEndedWithSkippedSectors(kRaidError, withStatus(kRaidNormal, true)));
    EXPECT_FALSE(rebuildEndedWithSkippedSectors(kRaidRebuilding, withStatus(kRaidError, true)));
}

}  // namespace
}  // namespace lmx
