#include "service/controller/ata_transport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "common/ata_command_builder.h"
#include "common/vendor_pages.h"

namespace controller {
namespace {

namespace pages = lmx::pages;

lmx::AtaPassThroughDirect pageRead(std::uint8_t* buffer, std::uint8_t count) {
    lmx::AtaRegisters registers;
    registers.features = pages::kFeatureVendorPageRead;
    registers.count = count;
    registers.lbaMid = pages::kVendorPageLbaMid;
    registers.lbaHigh = pages::kRaidInfoPage;
    registers.device = pages::kDeviceDefault;
    registers.command = pages::kCommandSmart;
    return makeAtaRequest(registers, lmx::kAtaFlagsDataIn, 512, buffer);
}

TEST(SatRequest, DataInCommandBlockAndSizes) {
    std::array<std::uint8_t, 512> buffer{};
    auto request = pageRead(buffer.data(), 0);
    lmx::ScsiPassThroughRequest sat;
    const auto sizes = lmx::buildSatRequest(request, buffer.data(), sat);
    ASSERT_TRUE(sizes);
    EXPECT_EQ(44u, sizes->in);
    EXPECT_EQ(592u, sizes->out);
    // Sector count 0 of a data command goes out as 1, and the request is changed too.
    EXPECT_EQ(1, request.CurrentTaskFile[lmx::kTaskSectorCount]);
    const std::uint8_t expected[16] = {0x85, 0x08, 0x0E, 0, 0xD0, 0, 1, 0, 0, 0, 0x44, 0, 0xE5, 0xA0, 0xB0, 0};
    EXPECT_EQ(0, std::memcmp(expected, sat.Cdb, 16));
    EXPECT_EQ(44, sat.Length[0]);
    EXPECT_EQ(16, sat.CdbLength);
    EXPECT_EQ(32, sat.SenseInfoLength);
    EXPECT_EQ(lmx::kScsiDataIn, sat.DataIn);
    EXPECT_EQ(512u, lmx::u32(sat.DataTransferLength));
    EXPECT_EQ(10u, lmx::u32(sat.TimeOutValue));
    EXPECT_EQ(80u, lmx::u32(sat.DataBufferOffset));
    EXPECT_EQ(48u, lmx::u32(sat.SenseInfoOffset));
}

TEST(SatRequest, FortyEightBitNonDataAndDataOut) {
    lmx::AtaRegisters registers;
    registers.lbaLow = 0x11;
    registers.lbaMid = 0x22;
    registers.lbaHigh = 0x33;
    registers.lba24 = 0x44;
    registers.lba32 = 0x55;
    registers.lba40 = 0x66;
    registers.device = pages::kDeviceLba;
    registers.command = pages::kCommandSetDateTimeExt;
    auto request = makeAtaRequest(registers, lmx::kAtaFlags48BitCommand, 0, nullptr);
    lmx::ScsiPassThroughRequest sat;
    const auto sizes = lmx::buildSatRequest(request, nullptr, sat);
    ASSERT_TRUE(sizes);
    EXPECT_EQ(44u, sizes->in);
    EXPECT_EQ(80u, sizes->out);
    EXPECT_EQ(0, request.CurrentTaskFile[lmx::kTaskSectorCount]);  // non-data keeps count 0
    const std::uint8_t expected[16] = {0x85, 0x07, 0x0C, 0, 0, 0, 0, 0x44, 0x11, 0x55, 0x22, 0x66, 0x33, 0xE0, 0x77, 0};
    EXPECT_EQ(0, std::memcmp(expected, sat.Cdb, 16));
    EXPECT_EQ(lmx::kScsiDataUnspecified, sat.DataIn);

    std::array<std::uint8_t, 512> block;
    block.fill(0x5A);
    lmx::AtaRegisters download;
    download.command = pages::kCommandDownloadMicrocode;
    auto out = makeAtaRequest(download, lmx::kAtaFlagsDataOut | lmx::kAtaFlagsUseDma, 512, block.data());
    const auto outSizes = lmx::buildSatRequest(out, block.data(), sat);
    ASSERT_TRUE(outSizes);
    EXPECT_EQ(592u, outSizes->in);
    EXPECT_EQ(80u, outSizes->out);
    EXPECT_EQ(11 << 1, sat.Cdb[1]);  // UDMA data-out
    EXPECT_EQ(0x06, sat.Cdb[2]);
    EXPECT_EQ(lmx::kScsiDataOut, sat.DataIn);
    EXPECT_EQ(0x5A, sat.Data[511]);
}

lmx::ScsiPassThroughRequest checkCondition(std::initializer_list<std::pair<std::size_t, std::uint8_t>> senseBytes) {
    lmx::ScsiPassThroughRequest sat{};
    sat.ScsiStatus = lmx::kScsiStatusCheckCondition;
    sat.SenseInfoLength = sizeof sat.Sense;
    for (const auto& [offset, value] : senseBytes) sat.Sense[offset] = value;
    return sat;
}

TEST(SatOutcome, FixedSenseRecoveredErrorIsSuccessWithRegisters) {
    lmx::AtaPassThroughDirect reply{};
    std::memset(reply.PreviousTaskFile, 0x77, sizeof reply.PreviousTaskFile);
    // Flags of a 48-bit command whose LBA(47:24) is not zero: the low-order registers still come back.
    const auto sat = checkCondition({{0, 0xF0}, {2, 0x01}, {3, 0x04}, {4, 0x51}, {5, 0xA0}, {6, 0x01}, {8, 0xA0},
                                     {9, 0x12}, {10, 0x4F}, {11, 0xC2}});
    EXPECT_TRUE(readSatOutcome(sat, reply));
    EXPECT_EQ(0x04, reply.CurrentTaskFile[lmx::kTaskFeatures]);
    EXPECT_EQ(0x51, reply.CurrentTaskFile[lmx::kTaskCommand]);
    EXPECT_EQ(0xA0, reply.CurrentTaskFile[lmx::kTaskDevice]);
    EXPECT_EQ(0x01, reply.CurrentTaskFile[lmx::kTaskSectorCount]);
    EXPECT_EQ(0x12, reply.CurrentTaskFile[lmx::kTaskLbaLow]);
    EXPECT_EQ(0x4F, reply.CurrentTaskFile[lmx::kTaskLbaMid]);
    EXPECT_EQ(0xC2, reply.CurrentTaskFile[lmx::kTaskLbaHigh]);
    for (int i = 0; i <= 4; ++i) EXPECT_EQ(0, reply.PreviousTaskFile[i]) << i;
}

TEST(SatOutcome, FixedSenseWithoutValidKeepsRegisters) {
    lmx::AtaPassThroughDirect reply{};
    const auto sat = checkCondition({{0, 0x70}, {2, 0x00}, {4, 0x51}});
    EXPECT_TRUE(readSatOutcome(sat, reply));
    EXPECT_EQ(0, reply.CurrentTaskFile[lmx::kTaskCommand]);
}

TEST(SatOutcome, AbortedCommandFailsInBothFormats) {
    lmx::AtaPassThroughDirect reply{};
    EXPECT_FALSE(readSatOutcome(checkCondition({{0, 0xF0}, {2, 0x0B}}), reply));
    EXPECT_FALSE(readSatOutcome(checkCondition({{0, 0x72}, {1, 0x0B}, {8, 0x09}}), reply));
    EXPECT_FALSE(readSatOutcome(checkCondition({{0, 0x71}, {2, 0x05}}), reply));
}

TEST(SatOutcome, DescriptorSenseCarriesFortyEightBitRegisters) {
    lmx::AtaPassThroughDirect reply{};
    const auto sat = checkCondition({{0, 0x72}, {1, 0x01}, {7, 14}, {8, 0x09}, {9, 0x0C}, {10, 0x01}, {11, 0x00},
                                     {12, 0xC1}, {13, 0xC2}, {14, 0xB1}, {15, 0xB2}, {16, 0xB3}, {17, 0xB4}, {18, 0xB5},
                                     {19, 0xB6}, {20, 0xE0}, {21, 0x50}});
    EXPECT_TRUE(readSatOutcome(sat, reply));
    EXPECT_EQ(0xC1, reply.PreviousTaskFile[lmx::kTaskSectorCount]);
    EXPECT_EQ(0xC2, reply.CurrentTaskFile[lmx::kTaskSectorCount]);
    EXPECT_EQ(0xB1, reply.PreviousTaskFile[lmx::kTaskLbaLow]);
    EXPECT_EQ(0xB2, reply.CurrentTaskFile[lmx::kTaskLbaLow]);
    EXPECT_EQ(0xB3, reply.PreviousTaskFile[lmx::kTaskLbaMid]);
    EXPECT_EQ(0xB4, reply.CurrentTaskFile[lmx::kTaskLbaMid]);
    EXPECT_EQ(0xB5, reply.PreviousTaskFile[lmx::kTaskLbaHigh]);
    EXPECT_EQ(0xB6, reply.CurrentTaskFile[lmx::kTaskLbaHigh]);
    EXPECT_EQ(0xE0, reply.CurrentTaskFile[lmx::kTaskDevice]);
    EXPECT_EQ(0x50, reply.CurrentTaskFile[lmx::kTaskCommand]);

    // Without EXTEND only the low-order registers come back and the high-order ones are cleared.
    lmx::AtaPassThroughDirect shortReply{};
    std::memset(shortReply.PreviousTaskFile, 0x77, sizeof shortReply.PreviousTaskFile);
    auto noExtend = sat;
    noExtend.Sense[10] = 0;
    EXPECT_TRUE(readSatOutcome(noExtend, shortReply));
    EXPECT_EQ(0xC2, shortReply.CurrentTaskFile[lmx::kTaskSectorCount]);
    EXPECT_EQ(0, shortReply.PreviousTaskFile[lmx::kTaskSectorCount]);
    EXPECT_EQ(0, shortReply.PreviousTaskFile[lmx::kTaskLbaHigh]);
}

TEST(SatOutcome, AtaStatusReturnIsFoundAmongDescriptorsAndItsLengthChecked) {
    // A sense-key-specific descriptor (02h, 8 bytes) before the ATA Status Return.
    auto sat = checkCondition({{0, 0x72}, {1, 0x01}, {7, 22}, {8, 0x02}, {9, 0x06}, {16, 0x09}, {17, 0x0C},
                               {19, 0x04}, {21, 0x01}, {28, 0xA0}, {29, 0x51}});
    lmx::AtaPassThroughDirect reply{};
    EXPECT_TRUE(readSatOutcome(sat, reply));
    EXPECT_EQ(0x51, reply.CurrentTaskFile[lmx::kTaskCommand]);
    EXPECT_EQ(0x04, reply.CurrentTaskFile[lmx::kTaskFeatures]);
    EXPECT_EQ(0xA0, reply.CurrentTaskFile[lmx::kTaskDevice]);

    // The sense the driver returned ends inside the descriptor: no registers are taken.
    sat.SenseInfoLength = 28;
    lmx::AtaPassThroughDirect cut{};
    EXPECT_TRUE(readSatOutcome(sat, cut));
    EXPECT_EQ(0, cut.CurrentTaskFile[lmx::kTaskCommand]);
    // A descriptor shorter than an ATA Status Return: none either.
    auto shortDescriptor = checkCondition({{0, 0x72}, {1, 0x01}, {7, 14}, {8, 0x09}, {9, 0x04}, {21, 0x51}});
    EXPECT_TRUE(readSatOutcome(shortDescriptor, cut));
    EXPECT_EQ(0, cut.CurrentTaskFile[lmx::kTaskCommand]);
}

TEST(SatOutcome, OtherStatusesAndResponseCodesFail) {
    lmx::AtaPassThroughDirect reply{};
    lmx::ScsiPassThroughRequest good{};
    EXPECT_TRUE(readSatOutcome(good, reply));
    lmx::ScsiPassThroughRequest busy{};
    busy.ScsiStatus = 0x08;
    EXPECT_FALSE(readSatOutcome(busy, reply));
    EXPECT_FALSE(readSatOutcome(checkCondition({{0, 0x7F}, {2, 0x00}}), reply));
}

}  // namespace
}  // namespace controller
