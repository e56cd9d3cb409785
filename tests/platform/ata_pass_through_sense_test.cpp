// Sense data of ATA PASS-THROUGH as libata returns it: the older fixed layout rewritten into the
// SAT layout, the SAT layouts left alone, and the registers read from each.

#include "platform/linux/ata_pass_through_sense.h"

#include <gtest/gtest.h>

#include "tests/platform/captured_kernel_answers.h"

namespace platform::sgio {
namespace {

using captured::Bytes;

Bytes normalised(Bytes sense) {
    normaliseLibataSense(sense.data(), sense.size());
    return sense;
}

TEST(LibataSense, OlderFixedLayoutBecomesTheSatLayout) {
    // The registers move to the INFORMATION field with VALID set; the flags and LBA(7:0) that arrived
    // move to bytes 8-9. LBA(15:8) and LBA(23:16), which 6.1 cut off, read 0.
    Bytes page = captured::kPageReadFailed612;
    page[10] = page[11] = 0;
    EXPECT_EQ(page, normalised(captured::kPageReadFailed61));

    Bytes clock = captured::kSetDateTimeFailed612;
    clock[10] = clock[11] = 0;
    EXPECT_EQ(clock, normalised(captured::kSetDateTimeFailed61));

    EXPECT_EQ(captured::kDownloadFailed612, normalised(captured::kDownloadFailed61));
    EXPECT_EQ(captured::kIdentifyCheckCondition612, normalised(captured::kIdentifyCheckCondition61));
}

TEST(LibataSense, SatLayoutsAndOtherSensePassUnchanged) {
    for (const Bytes& sense : {captured::kPageReadFailed612, captured::kSetDateTimeFailed612,
                               captured::kPageReadFailedDescriptor, captured::kSetDateTimeFailedDescriptor,
                               captured::kSmartEnableCheckCondition, captured::kInvalidParameterList}) {
        Bytes copy = sense;
        EXPECT_FALSE(normaliseLibataSense(copy.data(), copy.size()));
        EXPECT_EQ(sense, copy);
    }
    // Too short to hold the older layout's registers, or no sense at all.
    Bytes shortSense(captured::kPageReadFailed61.begin(), captured::kPageReadFailed61.begin() + 10);
    EXPECT_FALSE(normaliseLibataSense(shortSense.data(), shortSense.size()));
    EXPECT_FALSE(normaliseLibataSense(nullptr, 0));
}

TEST(LibataSense, SenseKeysOfBothFormats) {
    EXPECT_EQ(0x0B, senseKey(captured::kPageReadFailed61.data(), captured::kPageReadFailed61.size()));
    EXPECT_EQ(0x0B, senseKey(captured::kPageReadFailedDescriptor.data(), 22));
    EXPECT_EQ(0x01, senseKey(captured::kSmartEnableCheckCondition.data(), 22));
    EXPECT_EQ(0x05, senseKey(captured::kInvalidParameterList.data(), 26));
    const std::uint8_t notSense[8] = {0x12};
    EXPECT_FALSE(senseKey(notSense, sizeof notSense).has_value());
    EXPECT_TRUE(senseKeyMeansSuccess(0x01));
    EXPECT_FALSE(senseKeyMeansSuccess(0x0B));
}

TEST(LibataSense, RegistersComeOnlyWhenTheSenseCarriesThemAll) {
    const auto success = ataStatusReturn(captured::kSmartEnableCheckCondition.data(), 22, false);
    ASSERT_TRUE(success);
    EXPECT_EQ(0x50, success->status());
    EXPECT_EQ(0x00, success->error());
    EXPECT_EQ(0x4F, success->lbaMid);
    EXPECT_EQ(0xC2, success->lbaHigh);
    EXPECT_EQ(0xA0, success->device);

    for (const Bytes& sense : {captured::kPageReadFailed612, captured::kPageReadFailedDescriptor}) {
        const auto failed = ataStatusReturn(sense.data(), sense.size(), false);
        ASSERT_TRUE(failed);
        EXPECT_EQ(0x41, failed->status());
        EXPECT_EQ(0x04, failed->error());
        EXPECT_EQ(0x01, failed->count);
        EXPECT_EQ(0x44, failed->lbaMid);
        EXPECT_EQ(0xE5, failed->lbaHigh);
    }
    // 6.1 cut LBA(15:8) and LBA(23:16) off.
    EXPECT_FALSE(ataStatusReturn(captured::kPageReadFailed61.data(), 18, false));
    // A 48-bit command: descriptor format carries the high-order bytes, fixed format only flags them.
    const auto clock = ataStatusReturn(captured::kSetDateTimeFailedDescriptor.data(), 22, true);
    ASSERT_TRUE(clock);
    EXPECT_EQ(0x12, clock->lba24);
    EXPECT_EQ(0x56, clock->lba32);
    EXPECT_EQ(0x9A, clock->lba40);
    EXPECT_EQ(0xBC, clock->lbaHigh);
    EXPECT_FALSE(ataStatusReturn(captured::kSetDateTimeFailed612.data(), 18, true));
    // A 48-bit command whose high-order bytes are all zero is complete in fixed format.
    EXPECT_TRUE(ataStatusReturn(captured::kDownloadFailed612.data(), 18, true));
    // No ATA Status Return.
    EXPECT_FALSE(ataStatusReturn(captured::kInvalidParameterList.data(), 26, false));
    Bytes cut = captured::kSmartEnableCheckCondition;
    EXPECT_FALSE(ataStatusReturn(cut.data(), 20, false));
}

TEST(LibataSense, AtaPassThroughCommandBlocks) {
    const std::uint8_t ata16[16] = {0x85};
    const std::uint8_t ata12[12] = {0xA1};
    const std::uint8_t inquiry[6] = {0x12};
    EXPECT_TRUE(isAtaPassThrough(ata16, 16));
    EXPECT_TRUE(isAtaPassThrough(ata12, 12));
    EXPECT_FALSE(isAtaPassThrough(ata16, 12));
    EXPECT_FALSE(isAtaPassThrough(inquiry, 6));
}

}  // namespace
}  // namespace platform::sgio
