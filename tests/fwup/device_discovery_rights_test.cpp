// Discovery and an update by a user who may not open the disks: the reason is said, not an
// empty list.

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>

#include "fwup/core/console_mode.h"
#include "fwup/core/device_list.h"
#include "fwup/core/drive_accessor.h"
#include "tests/fwup/fwup_test_root.h"
#include "tests/support/other_user.h"

namespace fwup {
namespace {

using DeviceDiscoveryRights = testing::FwupTestRoot;

// Real disks are root's; a user without the rights gets a reason rather than an empty list.
TEST_F(DeviceDiscoveryRights, AListEmptyForLackOfRightsSaysSo) {
    if (!lmx::testing::canActAsOtherUser()) GTEST_SKIP() << "acting as another user needs root";
    controller(0);
    controller(3);
    for (const int number : {0, 3}) {
        std::filesystem::permissions(drive(number),
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    }
    lmx::testing::openToOtherUsers(root.path());
    const auto listAsOtherUser = [] {
        std::ostringstream out;
        std::ostringstream err;
        const int status = runList({out, err, false});
        const bool header = out.str() == "Phy No\tModel\tSerial\tF/W\tFPGA\tB/L\tCapacity\n";
        const bool reason = err.str().find("access to the disks was denied") != std::string::npos;
        return status == kExitTrouble && header && reason ? 0 : 1;
    };
    EXPECT_EQ(lmx::testing::runAsOtherUser(listAsOtherUser), 0);
    const std::string file = image(512).string();
    const auto updateAsOtherUser = [&file] {
        std::ostringstream out;
        std::ostringstream err;
        std::atomic<bool> cancel{false};
        const int status = runUpdate(3, file, {out, err, false}, cancel);
        const bool reason = err.str().find("Access to the drive was denied") != std::string::npos;
        return status == 3 && out.str() == "Device Open Error.\n" && reason ? 0 : 1;
    };
    EXPECT_EQ(lmx::testing::runAsOtherUser(updateAsOtherUser), 0);

    // One drive the user may open: it is listed, and nothing is said about the other.
    std::filesystem::permissions(drive(3), std::filesystem::perms::others_read, std::filesystem::perm_options::add);
    const auto oneRow = [] {
        const auto accessor = DriveAccessor::create({});
        DeviceTable table;
        accessor->enumerate_devices(table);
        return table.count == 1 && table.deniedDrives == 1 && !deniedAllDrives(table) ? 0 : 1;
    };
    EXPECT_EQ(lmx::testing::runAsOtherUser(oneRow), 0);
}

}  // namespace
}  // namespace fwup
