#include "simulator/identify_data.h"

#include <algorithm>
#include <numeric>

#include "common/byte_order.h"
#include "common/vendor_pages.h"

namespace simulator {

namespace pages = lmx::pages;

namespace {

// Word offsets of the standard IDENTIFY DEVICE fields the simulator fills.
constexpr std::size_t kWordGeneral = 0;
constexpr std::size_t kWordCylinders = 1;
constexpr std::size_t kWordHeads = 3;
constexpr std::size_t kWordSectorsPerTrack = 6;
constexpr std::size_t kWordMultiple = 47;
constexpr std::size_t kWordCapabilities = 49;
constexpr std::size_t kWordFieldValidity = 53;
constexpr std::size_t kWordLba28Capacity = 60;  // 2 words
constexpr std::size_t kWordMajorVersion = 80;
constexpr std::size_t kWordCommandSets = 82;     // 82-87: supported and enabled feature sets
constexpr std::size_t kWordLba48Capacity = 100;  // 4 words

void storeWord(Sector& data, std::size_t word, std::uint16_t value) { lmx::storeLittleEndian(&data[word * 2], value); }

void setBit(Sector& data, std::size_t byte, std::uint8_t mask, bool on) {
    if (on) data[byte] |= mask;
}

}  // namespace

void storeAtaString(std::uint8_t* bytes, std::size_t length, std::string_view text) {
    for (std::size_t i = 0; i < length; ++i) {
        const char c = i < text.size() ? text[i] : ' ';
        bytes[i ^ 1] = static_cast<std::uint8_t>(c);
    }
}

Sector buildIdentifyData(const DriveDescription& drive) {
    Sector data{};
    storeWord(data, kWordGeneral, 0x0040);  // fixed, non-removable ATA device
    storeWord(data, kWordCylinders, 16383);
    storeWord(data, kWordHeads, 16);
    storeWord(data, kWordSectorsPerTrack, 63);
    storeAtaString(&data[pages::kIdentifySerial], pages::kIdentifySerialLength, drive.serial);
    storeAtaString(&data[pages::kIdentifyFirmware], pages::kIdentifyFirmwareLength, drive.firmware);
    storeAtaString(&data[pages::kIdentifyModel], pages::kIdentifyModelLength, drive.model);
    storeWord(data, kWordMultiple, 0x8010);
    storeWord(data, kWordCapabilities, 0x0300);  // LBA and DMA supported
    storeWord(data, kWordFieldValidity, 0x0007);
    const auto lba28 =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(drive.capacity, pages::kIdentifyLba28Saturated));
    storeWord(data, kWordLba28Capacity, static_cast<std::uint16_t>(lba28 & 0xFFFF));
    storeWord(data, kWordLba28Capacity + 1, static_cast<std::uint16_t>(lba28 >> 16));
    storeWord(data, kWordMajorVersion, 0x00F0);     // ATA/ATAPI-4 to -7
    storeWord(data, kWordCommandSets, 0x0001);      // SMART feature set supported
    storeWord(data, kWordCommandSets + 1, 0x4400);  // 48-bit addresses supported
    storeWord(data, kWordCommandSets + 2, 0x4000);
    storeWord(data, kWordCommandSets + 3, 0x0000);  // SMART enabled: bit 0, below
    storeWord(data, kWordCommandSets + 4, 0x0400);  // 48-bit addresses enabled
    storeWord(data, kWordCommandSets + 5, 0x4000);
    for (std::size_t i = 0; i < 4; ++i) {
        storeWord(data, kWordLba48Capacity + i, static_cast<std::uint16_t>(drive.capacity >> (16 * i)));
    }
    if (!drive.identify.fpgaVersion.empty()) {
        storeAtaString(&data[pages::kIdentifyFpgaVersion], pages::kIdentifyFpgaVersionLength,
                       drive.identify.fpgaVersion);
    }
    if (!drive.identify.bootLoaderVersion.empty()) {
        storeAtaString(&data[pages::kIdentifyBootLoaderVersion], pages::kIdentifyBootLoaderVersionLength,
                       drive.identify.bootLoaderVersion);
    }

    setBit(data, pages::kIdentifySmartEnabled, 0x01, drive.identify.smartEnabled);
    setBit(data, pages::kIdentifyClockReported1, 0x80, drive.identify.clockStateReported);
    setBit(data, pages::kIdentifyClockReported2, 0x01, drive.identify.clockStateReported);
    setBit(data, pages::kIdentifyClockIsSet, 0x01, drive.identify.clockIsSet);

    if (drive.identify.signature) {
        data[pages::kIdentifySignature] = pages::kIdentifySignatureValue;
        const unsigned sum = std::accumulate(data.begin(), data.end() - 1, 0u);
        data[511] = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
    }
    return data;
}

}  // namespace simulator
