#include "service/controller/page_decoders.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "common/vendor_pages.h"
#include "tests/support/framed_page.h"

namespace controller {
namespace {

using lmx::ControllerFamily;
using lmx::testing::Page;
using lmx::testing::framed;

TEST(RaidPage, FamilyChecksAcceptTheirLengthsOnly) {
    EXPECT_TRUE(checkRaidPage(framed(0xE5, 0x80), ControllerFamily::Zarkel));
    EXPECT_TRUE(checkRaidPage(framed(0xE5, 0x7E), ControllerFamily::Zarkel));
    EXPECT_TRUE(checkRaidPage(framed(0xE5, 0x80), ControllerFamily::ZarkelT));
    EXPECT_FALSE(checkRaidPage(framed(0xE5, 0x7E), ControllerFamily::ZarkelT));
    EXPECT_TRUE(checkRaidPage(framed(0xE5, 0x94), ControllerFamily::Quessa));
    EXPECT_FALSE(checkRaidPage(framed(0xE5, 0x80), ControllerFamily::Quessa));
    EXPECT_TRUE(checkRaidPage(framed(0xE5, 0xBE), ControllerFamily::Mollen));
    EXPECT_TRUE(checkRaidPage(framed(0xE5, 0x80), ControllerFamily::MollenThreeSlot));
    EXPECT_FALSE(checkRaidPage(framed(0xE1, 0x80), ControllerFamily::Mollen));
    auto broken = framed(0xE5, 0xBE);
    broken[189] = 0xAB;
    EXPECT_FALSE(checkRaidPage(broken, ControllerFamily::Mollen));
}

TEST(RaidPage, ZarkelTrailerBytesAreTestedIndependently) {
    Page page{};
    page[0] = 0xE5;
    page[1] = 0x7E;
    page[124] = 0x55;  // first trailer byte at the short place
    page[127] = 0xAA;  // second at the long place
    EXPECT_TRUE(checkRaidPage(page, ControllerFamily::Zarkel));
    page[127] = 0;
    EXPECT_FALSE(checkRaidPage(page, ControllerFamily::Zarkel));
}

TEST(RaidPage, FieldsDecodeFromTheirBytes) {
    auto page = framed(0xE5, 0xBE);
    std::memcpy(&page[2], "Lumavex ZDAP-RS481                      ", 40);
    std::memcpy(&page[42], "FW1.20  ", 8);
    std::memcpy(&page[50], "SN0000000000000001  ", 20);
    const std::uint8_t capacity[8] = {0, 0, 0, 0x01, 0xD1, 0xC0, 0xBE, 0xB0};  // 7,814,037,168
    std::memcpy(&page[74], capacity, 8);
    page[85] = 0x17;
    page[87] = 0x03;  // patrol stopped
    page[90] = 0x80;
    page[95] = 0x11;
    page[96] = 0x22;
    page[97] = 0x12;
    page[98] = 0x34;
    const std::uint8_t fpga[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    std::memcpy(&page[103], fpga, 8);

    lmx::ControllerStatusRecord record;
    lmx::clearRecord(record);
    decodeRaidPage(page, ControllerFamily::Mollen, record);
    EXPECT_EQ("Lumavex ZDAP-RS481", lmx::trimmedField(record.raidModel));
    EXPECT_EQ("FW1.20", lmx::trimmedField(record.raidFirmware));
    EXPECT_EQ(std::string_view("SN0000000000000001  ", 20), std::string_view(record.raidSerial, 20));
    EXPECT_EQ(7'814'037'168ULL, lmx::raidCapacity(record));
    EXPECT_EQ(2, record.patrolState);
    EXPECT_EQ(0x1234u, lmx::progress(record));  // length 0xBE: bytes 97-98
    EXPECT_EQ(0x03, record.raidOptionFlags);    // Mollen keeps the low two bits
    EXPECT_EQ(1, record.errorSkipped);
    EXPECT_EQ(0x0102030405060708ULL, lmx::fpgaVersion(record));

    page[1] = 0x80;
    lmx::clearRecord(record);
    decodeRaidPage(page, ControllerFamily::Mollen, record);
    EXPECT_EQ(0x1122u, lmx::progress(record));  // length 0x80: bytes 95-96
    EXPECT_EQ(0x17, [&] {
        lmx::ControllerStatusRecord quessa;
        lmx::clearRecord(quessa);
        decodeRaidPage(page, ControllerFamily::Quessa, quessa);
        return quessa.raidOptionFlags;
    }());

    page[87] = 0x02;  // bit 0 clear: no patrol, no progress
    lmx::clearRecord(record);
    decodeRaidPage(page, ControllerFamily::Mollen, record);
    EXPECT_EQ(0, record.patrolState);
    EXPECT_EQ(0u, lmx::progress(record));
}

TEST(StandardPage, RebuildProgressReplacesPatrolProgress) {
    auto page = framed(0xE1, 0x1C);
    page[2] = 0xF2;  // high nibble ignored
    page[3] = 0x13;
    page[4] = 0x50;
    page[5] = 0x80;
    page[12] = 0x04;
    page[13] = 0x01;
    page[14] = 0x09;
    ASSERT_TRUE(checkStandardPage(page, ControllerFamily::MollenThreeSlot));
    EXPECT_FALSE(checkStandardPage(page, ControllerFamily::Quessa));

    lmx::ControllerStatusRecord record;
    lmx::clearRecord(record);
    lmx::setProgress(record, 0x4321);  // patrol progress from the RAID page
    decodeStandardPage(page, ControllerFamily::MollenThreeSlot, record);
    EXPECT_EQ(2, record.raidStatus);
    EXPECT_EQ(0x1, record.drive[0].status);
    EXPECT_EQ(0x3, record.drive[1].status);
    EXPECT_EQ(0x5, record.drive[2].status);
    EXPECT_EQ(0x80u, lmx::progress(record));
    EXPECT_EQ(0x04, record.drive[0].statusExtra);
    EXPECT_EQ(0x09, record.drive[2].statusExtra);

    // Two-slot families ignore the third nibble; the short layout has no extra bytes.
    auto shortPage = framed(0xE1, 0x0E);
    shortPage[2] = 0x00;
    shortPage[3] = 0x11;
    shortPage[4] = 0x50;
    shortPage[12] = 0x55;  // trailer, not status extra
    lmx::clearRecord(record);
    lmx::setProgress(record, 0x4321);
    ASSERT_TRUE(checkStandardPage(shortPage, ControllerFamily::Zarkel));
    decodeStandardPage(shortPage, ControllerFamily::Zarkel, record);
    EXPECT_EQ(0, record.drive[2].status);
    EXPECT_EQ(0, record.drive[0].statusExtra);
    EXPECT_EQ(0x4321u, lmx::progress(record));  // not rebuilding: patrol progress stays
}

TEST(DrivePage, OnlyPresentSlotsAreCopied) {
    auto page = framed(0xE2, 0xF4);
    for (int k = 0; k < 3; ++k) {
        const std::size_t block = 2 + 80 * static_cast<std::size_t>(k);
        std::memset(&page[block], 'A' + k, 40);
        std::memset(&page[block + 40], 'f', 8);
        std::memset(&page[block + 48], 's', 20);
        page[block + 79] = static_cast<std::uint8_t>(k + 1);
    }
    ASSERT_TRUE(checkDrivePage(page, ControllerFamily::Mollen));
    EXPECT_FALSE(checkDrivePage(page, ControllerFamily::Quessa));

    lmx::ControllerStatusRecord record;
    lmx::clearRecord(record);
    record.drive[0].status = 0x01;
    record.drive[1].status = 0x02;  // rebuilding bit without present bit: not copied
    record.drive[2].status = 0x01;
    decodeDrivePage(page, ControllerFamily::MollenThreeSlot, record);
    EXPECT_EQ(std::string(40, 'A'), lmx::fieldText(record.drive[0].model));
    EXPECT_EQ(1u, lmx::driveCapacity(record.drive[0]));
    EXPECT_EQ("", lmx::fieldText(record.drive[1].model));
    EXPECT_EQ(0u, lmx::driveCapacity(record.drive[1]));
    EXPECT_EQ(std::string(40, 'C'), lmx::fieldText(record.drive[2].model));

    // A two-slot family of the long layout never copies slot 2.
    lmx::clearRecord(record);
    record.drive[2].status = 0x01;
    decodeDrivePage(page, ControllerFamily::Mollen, record);
    EXPECT_EQ("", lmx::fieldText(record.drive[2].model));
}

TEST(SmartPage, TemperatureIsRawPlusOneAndLastEntryWins) {
    Page page{};
    auto entry = [&](std::size_t index) { return &page[2 + 12 * index]; };
    entry(3)[0] = 194;
    entry(3)[5] = 0x23;  // raw 0x0023 = 35
    entry(3)[9] = 0x10;
    lmx::MemberDriveSlot slot{};
    decodeSmartTemperature(page, slot);
    EXPECT_EQ(36, slot.temperature);
    EXPECT_EQ(0x11, slot.temperature2);

    entry(29)[0] = 194;
    entry(29)[5] = 0xFF;  // (0x00FF + 1) truncated to 8 bits
    decodeSmartTemperature(page, slot);
    EXPECT_EQ(0, slot.temperature);
}

}  // namespace
}  // namespace controller
