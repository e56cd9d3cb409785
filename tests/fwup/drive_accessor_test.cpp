// The tool's drive access: its working buffer, the SAT request it builds, and what it refuses.

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

TEST(SatRequest, CarriesTheCommandsBlockHeaderAndDataAsTheToolSendsThem) {
    std::uint8_t block[512];
    for (std::size_t i = 0; i < sizeof block; ++i) block[i] = static_cast<std::uint8_t>(i * 3);
    lmx::AtaPassThroughDirect download = downloadMicrocodeRequest(block);
    const auto sat = buildSatRequest(download, block);
    ASSERT_TRUE(sat);
    const std::uint8_t cdb[16] = {0x85, 0x0A, 0x06, 0x00, 0x07, 0x00, 0x01, 0x00,
                                  0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x92, 0x00};
    EXPECT_EQ(std::memcmp(sat->buffer.Cdb, cdb, 16), 0);
    EXPECT_EQ(sat->buffer.Length[0], 44);
    EXPECT_EQ(sat->buffer.CdbLength, 16);
    EXPECT_EQ(sat->buffer.SenseInfoLength, 32);
    EXPECT_EQ(sat->buffer.DataIn, lmx::kScsiDataOut);
    EXPECT_EQ(lmx::u32(sat->buffer.DataTransferLength), 512u);
    EXPECT_EQ(lmx::u32(sat->buffer.TimeOutValue), 120u);
    EXPECT_EQ(lmx::u32(sat->buffer.DataBufferOffset), 80u);
    EXPECT_EQ(lmx::u32(sat->buffer.SenseInfoOffset), 48u);
    EXPECT_EQ(std::memcmp(sat->buffer.Data, block, 512), 0);
    EXPECT_EQ(sat->sizes.in, 592u);
    EXPECT_EQ(sat->sizes.out, 80u);

    lmx::AtaPassThroughDirect identify = identifyRequest(block);
    const auto identifySat = buildSatRequest(identify, block);
    ASSERT_TRUE(identifySat);
    EXPECT_EQ(identify.CurrentTaskFile[lmx::kTaskSectorCount], 1);  // the caller's descriptor too
    EXPECT_EQ(identifySat->buffer.Cdb[1], 0x08);
    EXPECT_EQ(identifySat->buffer.Cdb[2], 0x0E);
    EXPECT_EQ(identifySat->buffer.Cdb[6], 0x01);
    EXPECT_EQ(identifySat->buffer.DataIn, lmx::kScsiDataIn);
    EXPECT_EQ(identifySat->sizes.in, 44u);
    EXPECT_EQ(identifySat->sizes.out, 592u);
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
