#include "service/controller/ata_transport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "common/vendor_pages.h"

namespace controller {
namespace {

namespace pages = lmx::pages;

lmx::AtaPassThroughDirect pageRead(std::uint8_t* buffer, std::uint8_t count) {
    AtaCommand command;
    command.flags = lmx::kAtaFlagsDataIn;
    command.transferLength = 512;
    command.features = pages::kFeatureVendorPageRead;
    command.sectorCount = count;
    command.lbaMid = pages::kVendorPageLbaMid;
    command.lbaHigh = pages::kRaidInfoPage;
    command.device = pages::kDeviceDefault;
    command.command = pages::kCommandSmart;
    return makeAtaRequest(command, buffer);
}

TEST(SatRequest, DataInCommandBlockAndSizes) {
    std::array<std::uint8_t, 512> buffer{};
    auto request = pageRead(buffer.data(), 0);
    lmx::ScsiPassThroughRequest sat;
    const auto sizes = buildSatRequest(request, buffer.data(), sat);
    EXPECT_EQ(44u, sizes.in);
    EXPECT_EQ(592u, sizes.out);
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
    AtaCommand command;
    command.flags = lmx::kAtaFlags48BitCommand;
    command.lbaLow = 0x11;
    command.lbaMid = 0x22;
    command.lbaHigh = 0x33;
    command.device = pages::kDeviceLba;
    command.command = pages::kCommandSetDateTimeExt;
    auto request = makeAtaRequest(command, nullptr);
    request.PreviousTaskFile[lmx::kTaskLbaLow] = 0x44;
    request.PreviousTaskFile[lmx::kTaskLbaMid] = 0x55;
    request.PreviousTaskFile[lmx::kTaskLbaHigh] = 0x66;
    lmx::ScsiPassThroughRequest sat;
    const auto sizes = buildSatRequest(request, nullptr, sat);
    EXPECT_EQ(44u, sizes.in);
    EXPECT_EQ(80u, sizes.out);
    EXPECT_EQ(0, request.CurrentTaskFile[lmx::kTaskSectorCount]);  // non-data keeps count 0
    const std::uint8_t expected[16] = {0x85, 0x07, 0x0C, 0, 0, 0, 0, 0x44, 0x11, 0x55, 0x22, 0x66, 0x33, 0xE0, 0x77, 0};
    EXPECT_EQ(0, std::memcmp(expected, sat.Cdb, 16));
    EXPECT_EQ(lmx::kScsiDataUnspecified, sat.DataIn);

    std::array<std::uint8_t, 512> block;
    block.fill(0x5A);
    AtaCommand download;
    download.flags = lmx::kAtaFlagsDataOut | lmx::kAtaFlagsUseDma;
    download.transferLength = 512;
    download.command = pages::kCommandDownloadMicrocode;
    auto out = makeAtaRequest(download, block.data());
    const auto outSizes = buildSatRequest(out, block.data(), sat);
    EXPECT_EQ(592u, outSizes.in);
    EXPECT_EQ(80u, outSizes.out);
    EXPECT_EQ(11 << 1, sat.Cdb[1]);  // UDMA data-out
    EXPECT_EQ(0x06, sat.Cdb[2]);
    EXPECT_EQ(lmx::kScsiDataOut, sat.DataIn);
    EXPECT_EQ(0x5A, sat.Data[511]);
}

lmx::ScsiPassThroughRequest checkCondition(std::initializer_list<std::pair<std::size_t, std::uint8_t>> senseBytes) {
    lmx::ScsiPassThroughRequest sat{};
    sat.ScsiStatus = lmx::kScsiStatusCheckCondition;
    for (const auto& [offset, value] : senseBytes) sat.Sense[offset] = value;
    return sat;
}

TEST(SatOutcome, FixedSenseRecoveredErrorIsSuccessWithRegisters) {
    lmx::AtaPassThroughDirect reply{};
    std::memset(reply.PreviousTaskFile, 0x77, sizeof reply.PreviousTaskFile);
    const auto sat = checkCondition({{0, 0xF0}, {2, 0x01}, {3, 0x04}, {4, 0x51}, {5, 0xA0}, {6, 0x01}, {9, 0x12}, {10, 0x4F}, {11, 0xC2}});
    EXPECT_TRUE(readSatOutcome(sat, reply));
    EXPECT_EQ(0x04, reply.CurrentTaskFile[lmx::kTaskFeatures]);
    EXPECT_EQ(0x51, reply.CurrentTaskFile[lmx::kTaskCommand]);
    EXPECT_EQ(0xA0, reply.CurrentTaskFile[lmx::kTaskDevice]);
    EXPECT_EQ(0x01, reply.CurrentTaskFile[lmx::kTaskSectorCount]);
    EXPECT_EQ(0x12, reply.CurrentTaskFile[lmx::kTaskLbaLow]);
    EXPECT_EQ(0x4F, reply.CurrentTaskFile[lmx::kTaskLbaMid]);
    EXPECT_EQ(0xC2, reply.CurrentTaskFile[lmx::kTaskLbaHigh]);
    EXPECT_EQ(0x77, reply.PreviousTaskFile[0]);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(0, reply.PreviousTaskFile[i]) << i;
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
    const auto sat = checkCondition({{0, 0x72}, {1, 0x01}, {8, 0x09}, {10, 0x01}, {11, 0x00}, {12, 0xC1}, {13, 0xC2},
                                     {14, 0xB1}, {15, 0xB2}, {16, 0xB3}, {17, 0xB4}, {18, 0xB5}, {19, 0xB6}, {20, 0xE0},
                                     {21, 0x50}});
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
