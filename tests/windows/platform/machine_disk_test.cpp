// The machine's own disks, reached under the default system root. Wine opens
// "\\.\PhysicalDrive0" as a device on which every pass-through fails with 50: the requests reach
// DeviceIoControl and its error comes back as the last error.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/ata_pass_through_calls.h"
#include "platform/physical_drive.h"
#include "platform/system_root.h"
#include "platform/win_error.h"

namespace platform {
namespace {

class DefaultRoot {
public:
    DefaultRoot() {
        if (const char* root = std::getenv("LMXDUOWATCH_ROOT")) previous_ = root;
        ::_putenv_s("LMXDUOWATCH_ROOT", defaultSystemRoot());
    }
    ~DefaultRoot() { ::_putenv_s("LMXDUOWATCH_ROOT", previous_ ? previous_->c_str() : ""); }

private:
    std::optional<std::string> previous_;
};

TEST(MachineDisk, UnderWinePassThroughRequestsReachTheDiskAndFailAsNotSupported) {
    // scripts/wine-run passes WINEPREFIX on; on Windows the outcome depends on the disk.
    if (!std::getenv("WINEPREFIX")) GTEST_SKIP() << "needs Wine's stand-in disk";
    DefaultRoot root;
    ASSERT_FALSE(std::filesystem::exists(driveEntryPath(0)));
    auto drive = DriveHandle::open("\\\\.\\PhysicalDrive0");
    ASSERT_TRUE(drive) << lastError();

    lmx::AtaPassThroughDirect request{};
    request.Length = sizeof request;
    request.TimeOutValue = 5;
    request.CurrentTaskFile[lmx::kTaskCommand] = 0xEC;
    lmx::AtaPassThroughDirect reply{};
    setLastError(0);
    EXPECT_FALSE(callAtaPassThroughDirect(*drive, request, reply));
    EXPECT_EQ(lastError(), kErrorNotSupported);

    lmx::ScsiPassThroughRequest sat;
    lmx::fillScsiPassThroughHeader(request, sat);
    lmx::fillAtaPassThrough16(request, sat.Cdb);
    setLastError(0);
    EXPECT_FALSE(callScsiPassThrough(*drive, sat, lmx::scsiPassThroughSizes(sat.DataIn, 0)));
    EXPECT_EQ(lastError(), kErrorNotSupported);
}

TEST(MachineDisk, ADriveTheMachineDoesNotHaveFailsToOpenWithTheSystemsError) {
    DefaultRoot root;
    setLastError(0);
    EXPECT_FALSE(DriveHandle::open("\\\\.\\PHYSICALDRIVE99"));
    EXPECT_EQ(lastError(), kErrorFileNotFound);
}

}  // namespace
}  // namespace platform
