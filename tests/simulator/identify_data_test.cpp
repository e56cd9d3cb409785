// IDENTIFY DEVICE as a simulated drive answers it: string words, flags, capacity, signature.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>

#include "common/byte_order.h"
#include "simulator/drive_store.h"
#include "tests/simulator/simulator_requests.h"
#include "tests/support/temp_root.h"

namespace simulator {
namespace {

namespace pages = lmx::pages;
using testing::Sector;

// Reads an ATA string back: the two bytes of each word swapped.
std::string ataString(const Sector& data, std::size_t offset, std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text.push_back(static_cast<char>(data[offset + (i ^ 1)]));
    return text;
}

std::string padded(std::string text, std::size_t length) {
    text.resize(length, ' ');
    return text;
}

class SimIdentifyData : public ::testing::Test {
protected:
    Sector identify() {
        auto drive = testing::openDrive(file);
        const auto result = testing::sendDirect(*drive, testing::identifyCommand());
        EXPECT_TRUE(result.ok);
        return result.data;
    }

    lmx::testing::TempRoot root;
    std::filesystem::path file = driveFilePath(root.path(), 0);
};

TEST_F(SimIdentifyData, ControllerStringsCapacitySignatureAndChecksum) {
    createController(file, "Lumavex VBIN-Duplex     ZDA-GX");
    updateDrive(file, [](DriveDescription& drive) {
        drive.serial = "SN-12345";
        drive.firmware = "FW2.10";
        drive.capacity = 7'814'037'168;
    });
    const Sector data = identify();

    EXPECT_EQ(padded("Lumavex VBIN-Duplex     ZDA-GX", 40), ataString(data, pages::kIdentifyModel, 40));
    EXPECT_EQ(padded("SN-12345", 20), ataString(data, 20, 20));                   // words 10-19
    EXPECT_EQ(padded("FW2.10", 8), ataString(data, 46, 8));                       // words 23-26
    EXPECT_EQ(7'814'037'168u, lmx::loadLittleEndian<std::uint64_t>(&data[200]));  // words 100-103
    EXPECT_EQ(0x0FFFFFFFu, lmx::loadLittleEndian<std::uint32_t>(&data[120]));     // words 60-61, capped

    EXPECT_EQ(pages::kIdentifySignatureValue, data[pages::kIdentifySignature]);
    EXPECT_EQ(0u, std::accumulate(data.begin(), data.end(), 0u) & 0xFF);
}

TEST_F(SimIdentifyData, FlagsAtTheirVendorOffsets) {
    createController(file, "Lumavex ZDA-RS481");
    updateDrive(file, [](DriveDescription& drive) {
        drive.identify.smartEnabled = false;
        drive.identify.clockStateReported = true;
        drive.identify.clockIsSet = false;
    });
    Sector data = identify();
    EXPECT_EQ(0, data[pages::kIdentifySmartEnabled] & 0x01);
    EXPECT_EQ(0x80, data[pages::kIdentifyClockReported1] & 0x80);
    EXPECT_EQ(0x01, data[pages::kIdentifyClockReported2] & 0x01);
    EXPECT_EQ(0, data[pages::kIdentifyClockIsSet] & 0x01);

    updateDrive(file, [](DriveDescription& drive) {
        drive.identify.signature = true;
        drive.identify.smartEnabled = true;
        drive.identify.clockStateReported = false;
        drive.identify.clockIsSet = true;
    });
    data = identify();
    EXPECT_EQ(0x01, data[pages::kIdentifySmartEnabled] & 0x01);
    EXPECT_EQ(0, data[pages::kIdentifyClockReported1] & 0x80);
    EXPECT_EQ(0, data[pages::kIdentifyClockReported2] & 0x01);
    EXPECT_EQ(0x01, data[pages::kIdentifyClockIsSet] & 0x01);
    EXPECT_EQ(0u, std::accumulate(data.begin(), data.end(), 0u) & 0xFF);
}

TEST_F(SimIdentifyData, ControllerVendorWordsHoldTheFpgaAndBootLoaderVersions) {
    createController(file, "ZDA-JW100");
    Sector data = identify();
    EXPECT_EQ("0115", ataString(data, pages::kIdentifyFpgaVersion, 4));
    EXPECT_EQ(padded("BL1.02", 8), ataString(data, pages::kIdentifyBootLoaderVersion, 8));

    setFields(file, {{"identify.fpgaVersion", "A1B"}, {"identify.bootLoaderVersion", "BL2.10"}});
    data = identify();
    EXPECT_EQ("A1B ", ataString(data, pages::kIdentifyFpgaVersion, 4));
    EXPECT_EQ(padded("BL2.10", 8), ataString(data, pages::kIdentifyBootLoaderVersion, 8));

    setFields(file, {{"identify.fpgaVersion", ""}, {"identify.bootLoaderVersion", ""}});
    data = identify();
    EXPECT_TRUE(std::all_of(&data[pages::kIdentifyBootLoaderVersion], &data[pages::kIdentifyFpgaVersion + 4],
                            [](std::uint8_t byte) { return byte == 0; }));
    EXPECT_THROW(setFields(file, {{"identify.fpgaVersion", "12345"}}), SimulatorError);
}

TEST_F(SimIdentifyData, OrdinaryDiskWithAndWithoutSignature) {
    createDisk(file, "WDC WD40EFRX-68N32N0");
    Sector data = identify();
    EXPECT_EQ(padded("WDC WD40EFRX-68N32N0", 40), ataString(data, pages::kIdentifyModel, 40));
    EXPECT_EQ(pages::kIdentifySignatureValue, data[pages::kIdentifySignature]);

    createDisk(file, "WDC WD40EFRX-68N32N0", false);
    data = identify();
    EXPECT_NE(pages::kIdentifySignatureValue, data[pages::kIdentifySignature]);
}

TEST_F(SimIdentifyData, OverrideIsReturnedVerbatim) {
    createController(file, "ZDA-JW100");
    Bytes raw(512);
    for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<std::uint8_t>(i * 7);
    updateDrive(file, [&](DriveDescription& drive) { drive.identifyOverride = raw; });
    const Sector data = identify();
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), data.begin()));
}

}  // namespace
}  // namespace simulator
