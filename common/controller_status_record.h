#pragma once
// The 640-byte controller status record: one per physical drive 0-5. The same bytes are the
// pipe's status reply, the registry's published state, the tray's kept copy and the head of a
// mirror-log file, so the layout is a wire format: bytes only, offsets checked below.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "common/drive_text_fields.h"

namespace lmx {

inline constexpr std::size_t kStatusRecordSize = 640;
inline constexpr std::size_t kMemberSlotSize = 128;
inline constexpr std::size_t kMemberSlotCount = 3;
inline constexpr int kPhysicalDriveCount = 6;

// RAID status values (low four bits of the standard page's byte 2).
inline constexpr std::uint8_t kRaidNormal = 0;
inline constexpr std::uint8_t kRaidError = 1;
inline constexpr std::uint8_t kRaidRebuilding = 2;
inline constexpr std::uint8_t kRaidRebuildStopped = 3;

// Member drive status bits.
inline constexpr std::uint8_t kDrivePresentBit = 0x01;
inline constexpr std::uint8_t kDriveRebuildingBit = 0x02;
inline constexpr std::uint8_t kDriveSpareBit = 0x04;  // in statusExtra

struct MemberDriveSlot {
    char model[kModelTextLength];
    std::uint8_t reserved40[8];
    char serial[kSerialTextLength];
    std::uint8_t reserved68[12];
    char firmware[kFirmwareTextLength];
    std::uint8_t reserved88[8];
    std::uint8_t capacity[8];  // little-endian count of 512-byte sectors
    std::uint8_t reserved104[8];
    std::uint8_t status;
    std::uint8_t temperatureValid;
    std::uint8_t temperature;
    std::uint8_t temperature2;
    std::uint8_t statusExtra;
    std::uint8_t reserved117[11];
};

struct ControllerStatusRecord {
    std::uint8_t reserved0;
    std::uint8_t physicalNumber;
    std::uint8_t present;
    std::uint8_t ordinal;
    std::uint8_t reserved4[12];
    char raidModel[kModelTextLength];
    std::uint8_t reserved56[8];
    char raidSerial[kSerialTextLength];
    std::uint8_t reserved84[12];
    char raidFirmware[kFirmwareTextLength];
    std::uint8_t reserved104[8];
    std::uint8_t fpgaVersion[8];  // little-endian 64-bit
    std::uint8_t raidOptionFlags;
    std::uint8_t errorSkipped;
    std::uint8_t reserved122[6];
    std::uint8_t raidCapacity[8];  // little-endian count of 512-byte sectors
    std::uint8_t reserved136[8];
    std::uint8_t progress[4];  // little-endian 32-bit
    std::uint8_t patrolState;
    std::uint8_t reserved149[11];
    std::uint8_t raidStatus;
    std::uint8_t reserved161[15];
    MemberDriveSlot drive[kMemberSlotCount];
    std::uint8_t reserved560[80];
};

static_assert(sizeof(MemberDriveSlot) == kMemberSlotSize);
static_assert(offsetof(MemberDriveSlot, model) == 0);
static_assert(offsetof(MemberDriveSlot, serial) == 48);
static_assert(offsetof(MemberDriveSlot, firmware) == 80);
static_assert(offsetof(MemberDriveSlot, capacity) == 96);
static_assert(offsetof(MemberDriveSlot, status) == 112);
static_assert(offsetof(MemberDriveSlot, temperatureValid) == 113);
static_assert(offsetof(MemberDriveSlot, temperature) == 114);
static_assert(offsetof(MemberDriveSlot, temperature2) == 115);
static_assert(offsetof(MemberDriveSlot, statusExtra) == 116);

static_assert(sizeof(ControllerStatusRecord) == kStatusRecordSize);
static_assert(alignof(ControllerStatusRecord) == 1);
static_assert(offsetof(ControllerStatusRecord, physicalNumber) == 1);
static_assert(offsetof(ControllerStatusRecord, present) == 2);
static_assert(offsetof(ControllerStatusRecord, ordinal) == 3);
static_assert(offsetof(ControllerStatusRecord, raidModel) == 16);
static_assert(offsetof(ControllerStatusRecord, raidSerial) == 64);
static_assert(offsetof(ControllerStatusRecord, raidFirmware) == 96);
static_assert(offsetof(ControllerStatusRecord, fpgaVersion) == 112);
static_assert(offsetof(ControllerStatusRecord, raidOptionFlags) == 120);
static_assert(offsetof(ControllerStatusRecord, errorSkipped) == 121);
static_assert(offsetof(ControllerStatusRecord, raidCapacity) == 128);
static_assert(offsetof(ControllerStatusRecord, progress) == 144);
static_assert(offsetof(ControllerStatusRecord, patrolState) == 148);
static_assert(offsetof(ControllerStatusRecord, raidStatus) == 160);
static_assert(offsetof(ControllerStatusRecord, drive) == 176);
static_assert(offsetof(ControllerStatusRecord, drive) + 1 * kMemberSlotSize == 304);
static_assert(offsetof(ControllerStatusRecord, drive) + 2 * kMemberSlotSize == 432);
static_assert(offsetof(ControllerStatusRecord, reserved560) == 560);

using StatusRecordBytes = std::array<std::uint8_t, kStatusRecordSize>;

// Whole-record operations: clear, byte-wise compare, and conversion to and from raw bytes.
void clearRecord(ControllerStatusRecord& record);
bool sameRecord(const ControllerStatusRecord& a, const ControllerStatusRecord& b);
StatusRecordBytes toBytes(const ControllerStatusRecord& record);
ControllerStatusRecord recordFromBytes(std::span<const std::uint8_t, kStatusRecordSize> bytes);

// Little-endian number fields.
std::uint64_t raidCapacity(const ControllerStatusRecord& record);
void setRaidCapacity(ControllerStatusRecord& record, std::uint64_t sectors);
std::uint64_t fpgaVersion(const ControllerStatusRecord& record);
void setFpgaVersion(ControllerStatusRecord& record, std::uint64_t version);
std::uint32_t progress(const ControllerStatusRecord& record);
void setProgress(ControllerStatusRecord& record, std::uint32_t value);
std::uint64_t driveCapacity(const MemberDriveSlot& slot);
void setDriveCapacity(MemberDriveSlot& slot, std::uint64_t sectors);

// A text field as stored: up to its first zero byte, at most the field's size.
std::string_view fieldText(const char* field, std::size_t size);
template <std::size_t N>
std::string_view fieldText(const char (&field)[N]) {
    return fieldText(field, N);
}

// A text field as shown: up to its first zero byte, leading and trailing blanks dropped.
std::string_view trimmedField(const char* field, std::size_t size);
template <std::size_t N>
std::string_view trimmedField(const char (&field)[N]) {
    return trimmedField(field, N);
}

// Copies text into a fixed field: at most the field's size, the rest zero.
void setField(char* field, std::size_t size, std::string_view text);
template <std::size_t N>
void setField(char (&field)[N], std::string_view text) {
    setField(field, N, text);
}

}  // namespace lmx
