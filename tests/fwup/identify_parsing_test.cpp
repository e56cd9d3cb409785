// What one drive's IDENTIFY data becomes in the device list: trimming, the supported models,
// the controllers' FPGA and B/L words, the capacity, and the cells as shown.

#include <gtest/gtest.h>

#include <cstring>

#include "common/byte_order.h"
#include "common/vendor_pages.h"
#include "fwup/core/device_list.h"
#include "fwup/core/drive_accessor.h"
#include "simulator/identify_data.h"

namespace fwup {
namespace {

namespace pages = lmx::pages;

class IdentifyParsing : public ::testing::Test {
protected:
    void SetUp() override {
        accessor = DriveAccessor::create({});
        ASSERT_TRUE(accessor);
        std::memset(accessor->workingBuffer(), 0, kBlockSize);
    }
    void store(std::size_t offset, std::size_t length, std::string_view text) {
        simulator::storeAtaString(accessor->workingBuffer() + offset, length, text);
    }
    void storeRaw(std::size_t offset, std::initializer_list<std::uint8_t> bytes) {
        std::size_t i = 0;
        for (const std::uint8_t byte : bytes) accessor->workingBuffer()[(offset + i++) ^ 1] = byte;
    }
    void capacity(std::uint32_t lba28, std::uint64_t lba48 = 0) {
        lmx::storeLittleEndian(accessor->workingBuffer() + pages::kIdentifyLba28Capacity, lba28);
        lmx::storeLittleEndian(accessor->workingBuffer() + pages::kIdentifyLba48Capacity, lba48);
    }
    DeviceEntry parsed() {
        DeviceEntry entry;
        accessor->parse_identify(entry);
        return entry;
    }

    std::unique_ptr<DriveAccessor> accessor;
};

TEST(SupportedModels, EachPrefixMatchesByteForByteAndNothingShorterOrOfAnotherCase) {
    for (const char* model : {"ZDA-JW100", "ZDA-JY200", "ZDA-GX460-TT3", "Lumavex ZDAP-RS482", "Lumavex ZDAP-RQ1",
                              "Lumavex ZDA-RS481", "Lumavex ZDA-RQ", "Lumavex VBIN-Duplex     ZDA-GX"}) {
        EXPECT_TRUE(DriveAccessor::is_supported_model(model)) << model;
    }
    for (const char* model : {"lumavex zda-rs481", "LUMAVEX ZDA-RS481", "Lumav", "ZDA-J", "Lumavex ZDA-R",
                              "Lumavex VBIN-Duplex ZDA-GX", " ZDA-JW100", "WDC WD40EFRX", ""}) {
        EXPECT_FALSE(DriveAccessor::is_supported_model(model)) << model;
    }
}

TEST_F(IdentifyParsing, TextsAreTrimmedAndAControllerShowsItsVendorWords) {
    store(pages::kIdentifyModel, 40, "   Lumavex ZDA-RS481");
    store(pages::kIdentifySerial, 20, "  SN123  ");
    store(pages::kIdentifyFirmware, 8, "V1.05");
    store(pages::kIdentifyFpgaVersion, 4, " 1A ");
    store(pages::kIdentifyBootLoaderVersion, 8, "BL0102");
    const DeviceEntry entry = parsed();
    EXPECT_EQ(entry.model, "Lumavex ZDA-RS481");
    EXPECT_EQ(entry.serial, "SN123");
    EXPECT_EQ(entry.firmwareRevision, "V1.05");
    EXPECT_EQ(entry.fpgaVersion, "1A");
    EXPECT_EQ(entry.bootLoaderVersion, "BL0102");
    EXPECT_TRUE(entry.supported);
}

TEST_F(IdentifyParsing, TrailingNulsEndATextAndAFieldOfSpacesIsEmpty) {
    store(pages::kIdentifyModel, 40, "ZDA-JW100");
    storeRaw(pages::kIdentifyModel + 9, {0, 0, 'X', 'Y'});  // a NUL ends the text; what follows is not shown
    store(pages::kIdentifySerial, 20, "");
    const DeviceEntry entry = parsed();
    EXPECT_EQ(entry.model, "ZDA-JW100");
    EXPECT_EQ(entry.serial, "");
    EXPECT_EQ(entry.firmwareRevision, "");  // all NUL
}

TEST_F(IdentifyParsing, UnprintableBootLoaderBytesBecomeSpaces) {
    store(pages::kIdentifyModel, 40, "ZDA-GX460");
    storeRaw(pages::kIdentifyBootLoaderVersion, {'B', 0x01, 'L', 0x80, 'x', 0xFF, '1', ' '});
    EXPECT_EQ(parsed().bootLoaderVersion, "B L x 1");
}

TEST_F(IdentifyParsing, AnOrdinaryDiskShowsDashesInsteadOfVendorWords) {
    store(pages::kIdentifyModel, 40, "lumavex zda-rs481");
    store(pages::kIdentifyFpgaVersion, 4, "1A2B");
    store(pages::kIdentifyBootLoaderVersion, 8, "BL0102");
    const DeviceEntry entry = parsed();
    EXPECT_FALSE(entry.supported);
    EXPECT_EQ(entry.fpgaVersion, "----");
    EXPECT_EQ(entry.bootLoaderVersion, "--------");
}

TEST_F(IdentifyParsing, CapacityComesFromThe48BitWordsOnlyWhenThe28BitValueIsSaturated) {
    capacity(0x0FFFFFFF, 7814037168ull);
    EXPECT_EQ(parsed().capacity, 7814037168ull);
    EXPECT_EQ(deviceListRow(parsed())[6], "0x0001D1C0BEB0");

    capacity(0x0FFFFFFE, 7814037168ull);
    EXPECT_EQ(parsed().capacity, 0x0FFFFFFEull);

    capacity(0xFFFFFFFF, 1);  // a full 32-bit value is taken as it is
    EXPECT_EQ(parsed().capacity, 0xFFFFFFFFull);
}

TEST(DeviceListRows, CellsAreTheEntryAsShownAndControlCharactersCannotReachAScreen) {
    DeviceEntry entry;
    entry.driveNumber = 12;
    entry.model = "ZDA-JW\t100\x1B[2J";
    entry.serial = "S\xE9rial";
    entry.firmwareRevision = "V1";
    entry.fpgaVersion = "----";
    entry.bootLoaderVersion = "--------";
    entry.capacity = 0x74706DB0;
    const DeviceListRow row = deviceListRow(entry);
    EXPECT_EQ(row, (DeviceListRow{"12", "ZDA-JW?100?[2J", "S?rial", "V1", "----", "--------", "0x000074706DB0"}));

    entry.capacity = 0xFFFFFFFFFFFFFFFFull;
    EXPECT_EQ(deviceListRow(entry)[6], "0xFFFFFFFFFFFFFFFF");
}

}  // namespace
}  // namespace fwup
