// The SCSI pass-through request of the programs' layout rebuilt in the process's own layout, and
// the driver's answer carried back into it.

#include "platform/windows/scsi_pass_through_layout.h"

#include <gtest/gtest.h>

#include <cstring>

#include "common/ata_pass_through.h"
#include "platform/win_error.h"

namespace platform::win32 {
namespace {

constexpr std::uint32_t kNativeHeader = sizeof(NativeScsiPassThrough);

lmx::ScsiPassThroughRequest satRequest(std::uint16_t flags, std::uint32_t length) {
    lmx::AtaPassThroughDirect ata{};
    ata.AtaFlags = flags;
    ata.DataTransferLength = length;
    ata.TimeOutValue = 7;
    ata.CurrentTaskFile[lmx::kTaskCommand] = 0xEC;
    lmx::ScsiPassThroughRequest sat;
    lmx::fillScsiPassThroughHeader(ata, sat);
    lmx::fillAtaPassThrough16(ata, sat.Cdb);
    return sat;
}

NativeScsiPassThrough nativeHeader(NativeScsiRequest& request) {
    NativeScsiPassThrough header;
    std::memcpy(&header, request.buffer(), sizeof header);
    return header;
}

TEST(ScsiPassThroughLayout, ADataInRequestGetsTheNativeHeaderAndTheAnswerComesBackAtTheCallersOffsets) {
    auto sat = satRequest(lmx::kAtaFlagsDataIn, 512);
    const auto sizes = lmx::scsiPassThroughSizes(sat.DataIn, 512);
    std::uint32_t error = 0;
    auto request = NativeScsiRequest::build(&sat, sizes.in, sizes.out, error);
    ASSERT_TRUE(request);

    auto native = nativeHeader(*request);
    EXPECT_EQ(native.Length, kNativeHeader);
    EXPECT_EQ(native.SenseInfoOffset, kNativeHeader);
    EXPECT_EQ(native.DataBufferOffset % 8, 0u);
    EXPECT_GE(native.DataBufferOffset, kNativeHeader + lmx::kSatSenseSize);
    EXPECT_EQ(native.DataIn, lmx::kScsiDataIn);
    EXPECT_EQ(native.DataTransferLength, 512u);
    EXPECT_EQ(native.TimeOutValue, 7u);
    EXPECT_EQ(native.CdbLength, 16);
    EXPECT_EQ(0, std::memcmp(native.Cdb, sat.Cdb, sizeof sat.Cdb));
    EXPECT_EQ(request->inSize(), kNativeHeader);
    EXPECT_EQ(request->outSize(), native.DataBufferOffset + 512);

    // The driver's answer: check condition, 22 bytes of sense, 200 bytes moved.
    auto* bytes = static_cast<std::uint8_t*>(request->buffer());
    native.ScsiStatus = lmx::kScsiStatusCheckCondition;
    native.SenseInfoLength = 22;
    native.DataTransferLength = 200;
    std::memcpy(bytes, &native, sizeof native);
    bytes[native.SenseInfoOffset] = 0x72;
    bytes[native.DataBufferOffset] = 0x5A;
    bytes[native.DataBufferOffset + 199] = 0xA5;

    lmx::ScsiPassThroughRequest reply{};
    EXPECT_EQ(request->answer(&reply, native.DataBufferOffset + 200), lmx::kSatDataOffset + 200);
    EXPECT_EQ(reply.ScsiStatus, lmx::kScsiStatusCheckCondition);
    EXPECT_EQ(reply.SenseInfoLength, 22);
    EXPECT_EQ(lmx::u32(reply.DataTransferLength), 200u);
    EXPECT_EQ(lmx::u32(reply.DataBufferOffset), lmx::kSatDataOffset);
    EXPECT_EQ(reply.Sense[0], 0x72);
    EXPECT_EQ(reply.Data[0], 0x5A);
    EXPECT_EQ(reply.Data[199], 0xA5);
    EXPECT_EQ(0, std::memcmp(reply.Cdb, sat.Cdb, sizeof sat.Cdb));
}

TEST(ScsiPassThroughLayout, ADataOutRequestCarriesItsDataAndKeepsItInTheAnswer) {
    auto sat = satRequest(lmx::kAtaFlagsDataOut, 512);
    for (std::size_t i = 0; i < sizeof sat.Data; ++i) sat.Data[i] = static_cast<std::uint8_t>(i);
    const auto sizes = lmx::scsiPassThroughSizes(sat.DataIn, 512);
    std::uint32_t error = 0;
    auto request = NativeScsiRequest::build(&sat, sizes.in, sizes.out, error);
    ASSERT_TRUE(request);
    const auto native = nativeHeader(*request);
    EXPECT_EQ(request->inSize(), native.DataBufferOffset + 512);
    EXPECT_EQ(request->outSize(), native.DataBufferOffset);
    const auto* bytes = static_cast<const std::uint8_t*>(request->buffer());
    EXPECT_EQ(0, std::memcmp(bytes + native.DataBufferOffset, sat.Data, sizeof sat.Data));

    lmx::ScsiPassThroughRequest reply = sat;
    EXPECT_EQ(request->answer(&reply, request->outSize()), lmx::kSatDataOffset);
    EXPECT_EQ(reply.ScsiStatus, lmx::kScsiStatusGood);
    EXPECT_EQ(0, std::memcmp(reply.Data, sat.Data, sizeof sat.Data));
}

TEST(ScsiPassThroughLayout, RequestsWhoseFieldsLeaveTheirBuffersAreRefused) {
    auto check = [](const lmx::ScsiPassThroughRequest& sat, std::uint32_t in, std::uint32_t out) {
        std::uint32_t error = 0;
        EXPECT_FALSE(NativeScsiRequest::build(&sat, in, out, error));
        EXPECT_EQ(error, kErrorInvalidParameter);
    };
    const auto good = satRequest(lmx::kAtaFlagsDataIn, 512);
    check(good, 40, 592);                              // header cut short
    check(good, 44, 591);                              // data beyond the answer's room
    auto wrongLength = good;
    wrongLength.Length[0] = 56;                        // a 64-bit header sent as the 32-bit one
    check(wrongLength, 44, 592);
    auto senseOut = good;
    lmx::setU32(senseOut.SenseInfoOffset, 580);        // sense beyond the buffer
    check(senseOut, 44, 592);
    auto dataOut = satRequest(lmx::kAtaFlagsDataOut, 512);
    check(dataOut, 80, 80);                            // data to send that was not sent
    auto overflow = good;
    lmx::setU32(overflow.DataBufferOffset, 0xFFFFFF00u);
    check(overflow, 44, 592);
}

}  // namespace
}  // namespace platform::win32
