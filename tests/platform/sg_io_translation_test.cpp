#include "platform/linux/sg_io_translation.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/physical_drive.h"
#include "platform/win_error.h"

namespace platform::sgio {
namespace {

lmx::ScsiPassThroughRequest request(std::uint8_t direction, std::uint32_t transfer) {
    lmx::ScsiPassThroughRequest sat{};
    sat.Length[0] = 44;
    sat.CdbLength = 16;
    sat.SenseInfoLength = 32;
    sat.DataIn = direction;
    lmx::setU32(sat.DataTransferLength, transfer);
    lmx::setU32(sat.TimeOutValue, 10);
    lmx::setU32(sat.DataBufferOffset, 80);
    lmx::setU32(sat.SenseInfoOffset, 48);
    sat.Cdb[0] = 0x85;
    sat.Cdb[14] = 0xB0;
    return sat;
}

std::uint8_t* bytes(lmx::ScsiPassThroughRequest& sat) { return reinterpret_cast<std::uint8_t*>(&sat); }

TEST(SgIoTranslation, DataInRequestPointsIntoTheBuffer) {
    auto sat = request(lmx::kScsiDataIn, 512);
    sg_io_hdr_t header;
    std::uint32_t error = 0;
    ASSERT_TRUE(buildRequest(bytes(sat), 44, 592, header, error));
    EXPECT_EQ('S', header.interface_id);
    EXPECT_EQ(SG_DXFER_FROM_DEV, header.dxfer_direction);
    EXPECT_EQ(16, header.cmd_len);
    EXPECT_EQ(sat.Cdb, header.cmdp);
    EXPECT_EQ(512u, header.dxfer_len);
    EXPECT_EQ(sat.Data, header.dxferp);
    EXPECT_EQ(32, header.mx_sb_len);
    EXPECT_EQ(sat.Sense, header.sbp);
    EXPECT_EQ(10'000u, header.timeout);
}

TEST(SgIoTranslation, NonDataAndDataOutDirections) {
    auto none = request(lmx::kScsiDataUnspecified, 0);
    sg_io_hdr_t header;
    std::uint32_t error = 0;
    ASSERT_TRUE(buildRequest(bytes(none), 44, 80, header, error));
    EXPECT_EQ(SG_DXFER_NONE, header.dxfer_direction);
    EXPECT_EQ(nullptr, header.dxferp);
    auto out = request(lmx::kScsiDataOut, 512);
    ASSERT_TRUE(buildRequest(bytes(out), 592, 80, header, error));
    EXPECT_EQ(SG_DXFER_TO_DEV, header.dxfer_direction);
}

TEST(SgIoTranslation, MalformedRequestsAreRefused) {
    sg_io_hdr_t header;
    std::uint32_t error = 0;
    auto tooLong = request(lmx::kScsiDataIn, 600);  // beyond the output buffer
    EXPECT_FALSE(buildRequest(bytes(tooLong), 44, 592, header, error));
    EXPECT_EQ(kErrorInvalidParameter, error);
    auto outBeyondInput = request(lmx::kScsiDataOut, 512);  // data out, but only the header passed in
    EXPECT_FALSE(buildRequest(bytes(outBeyondInput), 44, 80, header, error));
    auto badCdb = request(lmx::kScsiDataIn, 512);
    badCdb.CdbLength = 17;
    EXPECT_FALSE(buildRequest(bytes(badCdb), 44, 592, header, error));
    auto badSense = request(lmx::kScsiDataIn, 512);
    lmx::setU32(badSense.SenseInfoOffset, 580);
    EXPECT_FALSE(buildRequest(bytes(badSense), 44, 592, header, error));
    auto badLength = request(lmx::kScsiDataIn, 512);
    badLength.Length[0] = 56;
    EXPECT_FALSE(buildRequest(bytes(badLength), 44, 592, header, error));
}

TEST(SgIoTranslation, StatusAndSenseComeBackIntoTheRequest) {
    auto sat = request(lmx::kScsiDataIn, 512);
    sg_io_hdr_t header;
    std::uint32_t error = 0;
    ASSERT_TRUE(buildRequest(bytes(sat), 44, 592, header, error));
    header.status = 0x02;
    header.sb_len_wr = 22;
    header.resid = 512;
    sat.Sense[0] = 0x72;  // the kernel wrote the sense in place
    ASSERT_TRUE(completeRequest(header, bytes(sat), true, error));
    EXPECT_EQ(0x02, sat.ScsiStatus);
    EXPECT_EQ(22, sat.SenseInfoLength);
    EXPECT_EQ(0x72, sat.Sense[0]);
    EXPECT_EQ(0u, lmx::u32(sat.DataTransferLength));

    header.status = 0;
    header.sb_len_wr = 0;
    header.host_status = 0x03;  // timed out on the way to the device
    EXPECT_FALSE(completeRequest(header, bytes(sat), true, error));
    EXPECT_EQ(kErrorSemTimeout, error);
}

TEST(PhysicalDrive, NamesAndMissingDrives) {
    EXPECT_EQ(3, physicalDriveNumber("\\\\.\\PHYSICALDRIVE3"));
    EXPECT_EQ(12, physicalDriveNumber("\\\\.\\physicaldrive12"));
    EXPECT_FALSE(physicalDriveNumber("\\\\.\\PHYSICALDRIVE").has_value());
    EXPECT_FALSE(physicalDriveNumber("\\\\.\\PHYSICALDRIVE3x").has_value());
    EXPECT_FALSE(physicalDriveNumber("/dev/sda").has_value());
}

}  // namespace
}  // namespace platform::sgio
