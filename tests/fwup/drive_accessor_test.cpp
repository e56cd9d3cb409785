// The tool's drive access: its working buffer, and what its SAT route refuses or fails.
// (The requests themselves are checked against the simulator's log in the download tests.)

#include <gtest/gtest.h>

#include <cstring>

#include "common/vendor_pages.h"
#include "fwup/core/drive_accessor.h"
#include "tests/fwup/fwup_test_root.h"

namespace fwup {
namespace {

class DriveAccess : public testing::FwupTestRoot {
protected:
    void SetUp() override {
        accessor = DriveAccessor::create([this](std::string_view text) { messages.emplace_back(text); });
        ASSERT_TRUE(accessor);
    }
    std::unique_ptr<DriveAccessor> accessor;
    std::vector<std::string> messages;
};

TEST_F(DriveAccess, TheWorkingBufferIsFourMebibytesAlignedTo512) {
    const auto start = reinterpret_cast<std::uintptr_t>(accessor->workingBuffer());
    EXPECT_EQ(start % kBufferAlignment, 0u);
    // The whole area is ours to write: ASan would object otherwise.
    std::memset(accessor->workingBuffer(), 0xA5, kWorkingBufferSize);
    EXPECT_EQ(accessor->driveNumber(), -1);
    EXPECT_FALSE(accessor->isOpen());
}

TEST_F(DriveAccess, SatSendsNoOtherCommandAndNothingWithoutAnOpenDrive) {
    controller(0);
    ASSERT_TRUE(accessor->open_drive(0));
    EXPECT_EQ(accessor->driveNumber(), 0);
    lmx::AtaPassThroughDirect pageRead = identifyRequest(accessor->workingBuffer());
    pageRead.CurrentTaskFile[lmx::kTaskFeatures] = lmx::pages::kFeatureVendorPageRead;
    pageRead.CurrentTaskFile[lmx::kTaskCommand] = lmx::pages::kCommandSmart;
    EXPECT_FALSE(accessor->send_ata_sat(pageRead, accessor->workingBuffer()));
    EXPECT_TRUE(simulator::readCommandLog(drive(0)).empty());
    EXPECT_TRUE(messages.empty());

    accessor->close_drive();
    EXPECT_EQ(accessor->driveNumber(), -1);
    lmx::AtaPassThroughDirect identify = identifyRequest(accessor->workingBuffer());
    EXPECT_FALSE(accessor->send_ata_sat(identify, accessor->workingBuffer()));
    EXPECT_FALSE(accessor->identify_device());
    EXPECT_EQ(messages, (std::vector<std::string>{"Not Select Device.", "Not Select Device."}));
    EXPECT_TRUE(simulator::readCommandLog(drive(0)).empty());
}

TEST_F(DriveAccess, ASatCheckConditionIsAFailureWhateverTheSenseSays) {
    controller(0);
    // Sense key RECOVERED ERROR: the command was carried out, but the tool looks at the status alone.
    faults(0, {{"faults.rejectDirect", "50"}, {"faults.satSenseKey", "0x01"}});
    ASSERT_TRUE(accessor->open_drive(0));
    EXPECT_FALSE(accessor->identify_device());
}

}  // namespace
}  // namespace fwup
