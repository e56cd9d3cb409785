#include "common/controller_status_record.h"
#include "common/utf8_text.h"

#include <gtest/gtest.h>

#include <cstring>

namespace lmx {
namespace {

TEST(ControllerStatusRecord, NumbersAreStoredLittleEndianAtTheirOffsets) {
    ControllerStatusRecord record;
    clearRecord(record);
    setRaidCapacity(record, 7'814'037'168ULL);  // 0x1D1C0BEB0
    setProgress(record, 0x00012345);
    setFpgaVersion(record, 0x0102030405060708ULL);
    setDriveCapacity(record.drive[2], 0xAABBCCDDEEFF0011ULL);

    const auto bytes = toBytes(record);
    const std::uint8_t capacity[8] = {0xB0, 0xBE, 0xC0, 0xD1, 0x01, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(bytes.data() + 128, capacity, 8));
    const std::uint8_t progressBytes[4] = {0x45, 0x23, 0x01, 0x00};
    EXPECT_EQ(0, std::memcmp(bytes.data() + 144, progressBytes, 4));
    EXPECT_EQ(0x08, bytes[112]);
    EXPECT_EQ(0x01, bytes[119]);
    EXPECT_EQ(0x11, bytes[432 + 96]);
    EXPECT_EQ(0xAA, bytes[432 + 103]);

    EXPECT_EQ(7'814'037'168ULL, raidCapacity(record));
    EXPECT_EQ(0x00012345u, progress(record));
    EXPECT_EQ(0xAABBCCDDEEFF0011ULL, driveCapacity(record.drive[2]));
}

TEST(ControllerStatusRecord, RecordWithoutControllerIsZeroButItsNumber) {
    ControllerStatusRecord record;
    std::memset(&record, 0xFF, sizeof record);
    clearRecord(record);
    record.physicalNumber = 4;
    const auto bytes = toBytes(record);
    for (std::size_t i = 0; i < bytes.size(); ++i) EXPECT_EQ(i == 1 ? 4 : 0, bytes[i]) << "offset " << i;
}

TEST(ControllerStatusRecord, CompareSeesEveryByteIncludingReservedOnes) {
    ControllerStatusRecord a;
    clearRecord(a);
    ControllerStatusRecord b = a;
    EXPECT_TRUE(sameRecord(a, b));
    for (std::size_t offset : {0u, 15u, 160u, 559u, 639u}) {
        auto bytes = toBytes(a);
        bytes[offset] = 1;
        EXPECT_FALSE(sameRecord(a, recordFromBytes(bytes))) << "offset " << offset;
    }
}

TEST(ControllerStatusRecord, TextFieldsStopAtZeroAndTrimBlanks) {
    ControllerStatusRecord record;
    clearRecord(record);
    // A full 40-character field has no terminator: the text must not run into the next field.
    std::memset(record.raidModel, 'M', sizeof record.raidModel);
    std::memset(record.reserved56, 'X', sizeof record.reserved56);
    EXPECT_EQ(std::string(40, 'M'), fieldText(record.raidModel));

    setField(record.raidSerial, "  SN123   ");
    EXPECT_EQ("SN123", trimmedField(record.raidSerial));
    setField(record.raidFirmware, "        ");
    EXPECT_EQ("", trimmedField(record.raidFirmware));
    setField(record.raidFirmware, "0123456789");  // longer than the field: cut at 8
    EXPECT_EQ("01234567", fieldText(record.raidFirmware));
}

TEST(Utf8Text, PrefixNeverSplitsACharacter) {
    EXPECT_EQ("abc", utf8Prefix("abc", 5));
    EXPECT_EQ("ab", utf8Prefix("abc", 2));
    EXPECT_EQ("a", utf8Prefix("a日本", 3));      // "日" needs bytes 1-3
    EXPECT_EQ("a日", utf8Prefix("a日本", 4));
    EXPECT_EQ("", utf8Prefix("日", 2));
    EXPECT_EQ("a\xF0\x9F\x98\x80", utf8Prefix("a\xF0\x9F\x98\x80" "b", 5));  // a four-byte character whole
}

}  // namespace
}  // namespace lmx
