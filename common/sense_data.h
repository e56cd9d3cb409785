#pragma once
// The layout of the sense data a SAT drive returns with CHECK CONDITION: fixed format (response
// codes 0x70/0x71) and descriptor format (0x72/0x73) with its ATA Status Return descriptor. The
// simulator encodes, and the controller and the platform's disk driver decode, these layouts;
// all take the offsets from here. Offsets are checked at compile time against the byte
// structures below.

#include <cstddef>
#include <cstdint>

namespace lmx::sense {

// Byte 0 in either format: the response code in bits 0-6; in fixed format bit 7 (VALID) says
// that the information field holds the returned ATA registers.
inline constexpr std::size_t kResponseCode = 0;
inline constexpr std::uint8_t kResponseCodeMask = 0x7F;
inline constexpr std::uint8_t kValidBit = 0x80;
inline constexpr std::uint8_t kFixedCurrent = 0x70;
inline constexpr std::uint8_t kFixedDeferred = 0x71;
inline constexpr std::uint8_t kDescriptorCurrent = 0x72;
inline constexpr std::uint8_t kDescriptorDeferred = 0x73;
inline constexpr std::uint8_t kSenseKeyMask = 0x0F;

// Sense keys.
inline constexpr std::uint8_t kNoSense = 0x00;
inline constexpr std::uint8_t kRecoveredError = 0x01;
inline constexpr std::uint8_t kIllegalRequest = 0x05;
inline constexpr std::uint8_t kAbortedCommand = 0x0B;

// NO SENSE and RECOVERED ERROR: the command itself succeeded.
constexpr bool senseKeyMeansSuccess(std::uint8_t key) { return key == kNoSense || key == kRecoveredError; }

// ---------------------------------------------------------------------------------------------
// Fixed format. With the ATA registers: the information field carries error, status, device
// and count(7:0); the command-specific field the extension flags and LBA(23:0).

struct FixedSense {
    std::uint8_t responseCode;
    std::uint8_t obsolete;
    std::uint8_t senseKey;
    std::uint8_t error;  // information field: error, status, device, count(7:0)
    std::uint8_t status;
    std::uint8_t device;
    std::uint8_t count;
    std::uint8_t additionalLength;
    std::uint8_t extensionFlags;  // command-specific field: flags, LBA(7:0), LBA(15:8), LBA(23:16)
    std::uint8_t lbaLow;
    std::uint8_t lbaMid;
    std::uint8_t lbaHigh;
    std::uint8_t asc;
    std::uint8_t ascq;
    std::uint8_t fieldReplaceableUnit;
    std::uint8_t senseKeySpecific[3];
};
inline constexpr std::size_t kFixedSenseKey = offsetof(FixedSense, senseKey);
inline constexpr std::size_t kFixedInformation = offsetof(FixedSense, error);
inline constexpr std::size_t kFixedError = offsetof(FixedSense, error);
inline constexpr std::size_t kFixedStatus = offsetof(FixedSense, status);
inline constexpr std::size_t kFixedDevice = offsetof(FixedSense, device);
inline constexpr std::size_t kFixedCount = offsetof(FixedSense, count);
inline constexpr std::size_t kFixedAdditionalLength = offsetof(FixedSense, additionalLength);
inline constexpr std::size_t kFixedCommandSpecific = offsetof(FixedSense, extensionFlags);
inline constexpr std::size_t kFixedExtensionFlags = offsetof(FixedSense, extensionFlags);
inline constexpr std::size_t kFixedLbaLow = offsetof(FixedSense, lbaLow);
inline constexpr std::size_t kFixedLbaMid = offsetof(FixedSense, lbaMid);
inline constexpr std::size_t kFixedLbaHigh = offsetof(FixedSense, lbaHigh);
inline constexpr std::size_t kFixedAsc = offsetof(FixedSense, asc);
inline constexpr std::size_t kFixedAscq = offsetof(FixedSense, ascq);
inline constexpr std::size_t kFixedSenseLength = sizeof(FixedSense);
inline constexpr std::uint8_t kFixedAdditionalLengthValue = kFixedSenseLength - (kFixedAdditionalLength + 1);
inline constexpr std::uint8_t kFixedExtendedBit = 0x80;   // the command was a 48-bit one
inline constexpr std::uint8_t kFixedCountUpperBit = 0x40;  // count(15:8) is not zero
inline constexpr std::uint8_t kFixedLbaUpperBit = 0x20;    // LBA(47:24) is not zero

static_assert(alignof(FixedSense) == 1 && kFixedSenseLength == 18);
static_assert(kFixedSenseKey == 2 && kFixedError == 3 && kFixedStatus == 4 && kFixedDevice == 5 && kFixedCount == 6);
static_assert(kFixedAdditionalLength == 7 && kFixedExtensionFlags == 8 && kFixedAdditionalLengthValue == 10);
static_assert(kFixedLbaLow == 9 && kFixedLbaMid == 10 && kFixedLbaHigh == 11 && kFixedAsc == 12 && kFixedAscq == 13);

// ---------------------------------------------------------------------------------------------
// Descriptor format: an 8-byte header, then descriptors, each a code and the length of what
// follows.

struct DescriptorSenseHeader {
    std::uint8_t responseCode;
    std::uint8_t senseKey;
    std::uint8_t asc;
    std::uint8_t ascq;
    std::uint8_t reserved4[3];
    std::uint8_t additionalLength;  // bytes of descriptors
};
inline constexpr std::size_t kDescriptorSenseKey = offsetof(DescriptorSenseHeader, senseKey);
inline constexpr std::size_t kDescriptorAsc = offsetof(DescriptorSenseHeader, asc);
inline constexpr std::size_t kDescriptorAscq = offsetof(DescriptorSenseHeader, ascq);
inline constexpr std::size_t kDescriptorAdditionalLength = offsetof(DescriptorSenseHeader, additionalLength);
inline constexpr std::size_t kFirstDescriptor = sizeof(DescriptorSenseHeader);

// The ATA Status Return descriptor; offsets count from the descriptor's first byte.
struct AtaStatusReturn {
    std::uint8_t code;    // 0x09
    std::uint8_t length;  // 0x0C: the bytes after this one
    std::uint8_t extend;  // bit 0: a 48-bit command, the high-order bytes below are valid
    std::uint8_t error;
    std::uint8_t countHigh;
    std::uint8_t count;
    std::uint8_t lba24;  // LBA(31:24)
    std::uint8_t lbaLow;
    std::uint8_t lba32;  // LBA(39:32)
    std::uint8_t lbaMid;
    std::uint8_t lba40;  // LBA(47:40)
    std::uint8_t lbaHigh;
    std::uint8_t device;
    std::uint8_t status;
};
inline constexpr std::size_t kReturnCode = offsetof(AtaStatusReturn, code);
inline constexpr std::size_t kReturnLength = offsetof(AtaStatusReturn, length);
inline constexpr std::size_t kReturnExtend = offsetof(AtaStatusReturn, extend);
inline constexpr std::size_t kReturnError = offsetof(AtaStatusReturn, error);
inline constexpr std::size_t kReturnCountHigh = offsetof(AtaStatusReturn, countHigh);
inline constexpr std::size_t kReturnCount = offsetof(AtaStatusReturn, count);
inline constexpr std::size_t kReturnLba24 = offsetof(AtaStatusReturn, lba24);
inline constexpr std::size_t kReturnLbaLow = offsetof(AtaStatusReturn, lbaLow);
inline constexpr std::size_t kReturnLba32 = offsetof(AtaStatusReturn, lba32);
inline constexpr std::size_t kReturnLbaMid = offsetof(AtaStatusReturn, lbaMid);
inline constexpr std::size_t kReturnLba40 = offsetof(AtaStatusReturn, lba40);
inline constexpr std::size_t kReturnLbaHigh = offsetof(AtaStatusReturn, lbaHigh);
inline constexpr std::size_t kReturnDevice = offsetof(AtaStatusReturn, device);
inline constexpr std::size_t kReturnStatus = offsetof(AtaStatusReturn, status);
inline constexpr std::uint8_t kAtaStatusReturnDescriptor = 0x09;
inline constexpr std::uint8_t kAtaStatusReturnLength = sizeof(AtaStatusReturn) - (kReturnLength + 1);
inline constexpr std::uint8_t kReturnExtendBit = 0x01;

static_assert(alignof(DescriptorSenseHeader) == 1 && kFirstDescriptor == 8);
static_assert(kDescriptorSenseKey == 1 && kDescriptorAsc == 2 && kDescriptorAscq == 3 && kDescriptorAdditionalLength == 7);
static_assert(alignof(AtaStatusReturn) == 1 && sizeof(AtaStatusReturn) == 14 && kAtaStatusReturnLength == 0x0C);
static_assert(kReturnExtend == 2 && kReturnError == 3 && kReturnCountHigh == 4 && kReturnCount == 5);
static_assert(kReturnLba24 == 6 && kReturnLbaLow == 7 && kReturnLba32 == 8 && kReturnLbaMid == 9);
static_assert(kReturnLba40 == 10 && kReturnLbaHigh == 11 && kReturnDevice == 12 && kReturnStatus == 13);

}  // namespace lmx::sense
