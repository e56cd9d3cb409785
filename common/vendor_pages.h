#pragma once
// The layouts of what a controller answers: IDENTIFY DEVICE data, the vendor pages read with
// SMART-style commands (RAID 0xE5, standard 0xE1, member drives 0xE2, member SMART 0xE8-0xEA,
// mirror logs 0xF4/0xF5), and the task-file values of the vendor commands. Numbers inside
// pages are big-endian; text is space-padded ASCII without terminator.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "common/controller_model.h"
#include "common/drive_text_fields.h"

namespace lmx::pages {

inline constexpr std::size_t kPageSize = 512;

// Page codes.
inline constexpr std::uint8_t kStandardInfoPage = 0xE1;
inline constexpr std::uint8_t kDriveInfoPage = 0xE2;
inline constexpr std::uint8_t kRaidInfoPage = 0xE5;
inline constexpr std::uint8_t kFirstSmartPage = 0xE8;  // + member slot
inline constexpr std::uint8_t kMirrorLogPageA = 0xF4;
inline constexpr std::uint8_t kMirrorLogPageB = 0xF5;

// Frame: byte 0 echoes the page code, byte 1 is the length N, bytes N-2 and N-1 the trailer.
inline constexpr std::size_t kFrameCode = 0;
inline constexpr std::size_t kFrameLength = 1;
inline constexpr std::uint8_t kTrailerFirst = 0x55;
inline constexpr std::uint8_t kTrailerSecond = 0xAA;
constexpr std::size_t trailerOffset(std::uint8_t frameLength) { return frameLength - std::size_t{2}; }

// RAID information page (0xE5).
inline constexpr std::uint8_t kRaidLengthShort = 0x7E;   // family 0 only
inline constexpr std::uint8_t kRaidLength = 0x80;        // families 0, 1, 3, 4
inline constexpr std::uint8_t kRaidLengthQuessa = 0x94;  // family 2
inline constexpr std::uint8_t kRaidLengthLong = 0xBE;    // families 3, 4
inline constexpr std::size_t kRaidModel = 2;             // kModelTextLength bytes
inline constexpr std::size_t kRaidFirmware = 42;         // kFirmwareTextLength bytes
inline constexpr std::size_t kRaidSerial = 50;           // kSerialTextLength bytes
inline constexpr std::size_t kRaidCapacity = 74;         // 8 bytes, sectors
inline constexpr std::size_t kRaidOptionFlags = 85;
inline constexpr std::size_t kRaidPatrolState = 87;      // bit 0 patrol, bit 1 stopped
inline constexpr std::size_t kRaidErrorSkip = 90;        // bit 7
inline constexpr std::size_t kRaidFpgaVersion = 103;     // 8 bytes

// Where the 16-bit patrol progress lies for a family and RAID page length; empty when the
// family does not use that length.
constexpr std::optional<std::size_t> patrolProgressOffset(ControllerFamily family, std::uint8_t length) {
    switch (family) {
        case ControllerFamily::Zarkel:
            if (length == kRaidLengthShort) return 95;
            if (length == kRaidLength) return 97;
            return std::nullopt;
        case ControllerFamily::ZarkelT: return length == kRaidLength ? std::optional<std::size_t>(95) : std::nullopt;
        case ControllerFamily::Quessa: return length == kRaidLengthQuessa ? std::optional<std::size_t>(97) : std::nullopt;
        case ControllerFamily::Mollen:
        case ControllerFamily::MollenThreeSlot:
            if (length == kRaidLength) return 95;
            if (length == kRaidLengthLong) return 97;
            return std::nullopt;
    }
    return std::nullopt;
}

// Standard extended information page (0xE1).
inline constexpr std::uint8_t kStandardLengthLong = 0x1C;   // families 1, 3, 4
inline constexpr std::uint8_t kStandardLengthShort = 0x0E;  // families 0, 2
inline constexpr std::size_t kStandardRaidStatus = 2;       // low 4 bits
inline constexpr std::size_t kStandardDrives01 = 3;         // slot 0 high nibble, slot 1 low nibble
inline constexpr std::size_t kStandardDrive2 = 4;           // slot 2 high nibble
inline constexpr std::size_t kStandardRebuildProgress = 5;  // 1/256
inline constexpr std::size_t kStandardStatusExtra = 12;     // + slot, long layout only

// Member drive information page (0xE2).
inline constexpr std::uint8_t kDriveLengthThreeSlot = 0xF4;
inline constexpr std::uint8_t kDriveLengthThreeSlotAlt = 0xF2;
inline constexpr std::uint8_t kDriveLengthTwoSlot = 0xA4;
inline constexpr std::uint8_t kDriveLengthTwoSlotAlt = 0xA2;
inline constexpr std::size_t kDriveBlockStart = 2;
inline constexpr std::size_t kDriveBlockSize = 80;
inline constexpr std::size_t kBlockModel = 0;      // kModelTextLength bytes
inline constexpr std::size_t kBlockFirmware = 40;  // kFirmwareTextLength bytes
inline constexpr std::size_t kBlockSerial = 48;    // kSerialTextLength bytes
inline constexpr std::size_t kBlockCapacity = 72;  // 8 bytes, sectors
static_assert(kRaidFirmware == kRaidModel + kModelTextLength && kRaidSerial == kRaidFirmware + kFirmwareTextLength);
static_assert(kBlockFirmware == kBlockModel + kModelTextLength && kBlockSerial == kBlockFirmware + kFirmwareTextLength);
// The three-slot page ends at 243, the two-slot page at 163: trailers at 242-243 or 162-163.
inline constexpr std::size_t kDriveTrailerThreeSlot = 242;
inline constexpr std::size_t kDriveTrailerTwoSlot = 162;

// Member SMART data page (0xE8 + slot): 30 attribute entries of 12 bytes from byte 2.
inline constexpr std::size_t kSmartFirstEntry = 2;
inline constexpr std::size_t kSmartEntrySize = 12;
inline constexpr std::size_t kSmartEntryCount = 30;
inline constexpr std::size_t kSmartEntryRaw = 5;  // 6 raw bytes, least significant first
inline constexpr std::uint8_t kSmartTemperatureAttribute = 194;

// IDENTIFY DEVICE data.
inline constexpr std::size_t kIdentifySignature = 510;  // 0xA5; byte 511 makes the 8-bit sum 0
inline constexpr std::uint8_t kIdentifySignatureValue = 0xA5;
// Text fields hold the bytes of each 16-bit word swapped (ATA string order).
inline constexpr std::size_t kIdentifySerial = 20;  // words 10-19
inline constexpr std::size_t kIdentifySerialLength = kSerialTextLength;
inline constexpr std::size_t kIdentifyFirmware = 46;  // words 23-26
inline constexpr std::size_t kIdentifyFirmwareLength = kFirmwareTextLength;
inline constexpr std::size_t kIdentifyModel = 54;  // words 27-46
inline constexpr std::size_t kIdentifyModelLength = kModelTextLength;
inline constexpr std::size_t kIdentifyLba28Capacity = 120;  // words 60-61, little-endian
inline constexpr std::uint32_t kIdentifyLba28Saturated = 0x0FFFFFFF;  // the capacity is in words 100-103
inline constexpr std::size_t kIdentifyLba48Capacity = 200;  // words 100-103, little-endian
// Controller vendor words: the boot loader version (words 130-133) and the FPGA version (words
// 134-135), in ATA string order.
inline constexpr std::size_t kIdentifyBootLoaderVersion = 260;
inline constexpr std::size_t kIdentifyBootLoaderVersionLength = 8;
inline constexpr std::size_t kIdentifyFpgaVersion = 268;
inline constexpr std::size_t kIdentifyFpgaVersionLength = 4;
inline constexpr std::size_t kIdentifySmartEnabled = 170;       // bit 0
inline constexpr std::size_t kIdentifyClockReported1 = 258;     // bit 7
inline constexpr std::size_t kIdentifyClockReported2 = 288;     // bit 0
inline constexpr std::size_t kIdentifyClockIsSet = 290;         // bit 0

// ATA commands and vendor task-file values.
inline constexpr std::uint8_t kCommandIdentify = 0xEC;
inline constexpr std::uint8_t kCommandSmart = 0xB0;
inline constexpr std::uint8_t kCommandSetDateTimeExt = 0x77;
inline constexpr std::uint8_t kCommandDownloadMicrocode = 0x92;
inline constexpr std::uint8_t kFeatureVendorPageRead = 0xD0;  // with LBA mid 0x44, LBA high = page
inline constexpr std::uint8_t kVendorPageLbaMid = 0x44;
inline constexpr std::uint8_t kFeatureSmartEnable = 0xD8;     // also the vendor controls
inline constexpr std::uint8_t kSmartLbaMid = 0x4F;
inline constexpr std::uint8_t kSmartLbaHigh = 0xC2;
inline constexpr std::uint8_t kDeviceDefault = 0xA0;
inline constexpr std::uint8_t kDeviceLba = 0xE0;

// Vendor controls: features 0xD8, count = ~code, LBA low = code, LBA mid/high 0x4F/0xC2.
inline constexpr std::uint8_t kControlStartVerify = 0x29;
inline constexpr std::uint8_t kControlStopVerify = 0x28;
inline constexpr std::uint8_t kControlEndVerify = 0x0F;
inline constexpr std::uint8_t kControlSilenceBuzzer = 0x10;

}  // namespace lmx::pages
