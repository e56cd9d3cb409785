#pragma once
// The layout of the sense data a SAT drive returns with CHECK CONDITION, in fixed format
// (response codes 0x70/0x71) and descriptor format (0x72/0x73) with the ATA Status Return
// descriptor first. The simulator encodes and the controller decodes these layouts; both take
// the offsets from here. Offsets are checked at compile time against the byte structures below.

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

// Fixed format. With the ATA registers: the information field carries error, status, device
// and count(7:0); the command-specific field the extension flags and LBA(23:0).
struct FixedSense {
    std::uint8_t responseCode;
    std::uint8_t obsolete;
    std::uint8_t senseKey;
    std::uint8_t error;
    std::uint8_t status;
    std::uint8_t device;
    std::uint8_t count;
    std::uint8_t additionalLength;
    std::uint8_t extensionFlags;  // bit 7 extended command, bit 6 count(15:8) non-zero, bit 5 LBA(47:24) non-zero
    std::uint8_t lbaLow;
    std::uint8_t lbaMid;
    std::uint8_t lbaHigh;
    std::uint8_t asc;
    std::uint8_t ascq;
    std::uint8_t reserved14[4];
};
inline constexpr std::size_t kFixedSenseKey = offsetof(FixedSense, senseKey);
inline constexpr std::size_t kFixedError = offsetof(FixedSense, error);
inline constexpr std::size_t kFixedStatus = offsetof(FixedSense, status);
inline constexpr std::size_t kFixedDevice = offsetof(FixedSense, device);
inline constexpr std::size_t kFixedCount = offsetof(FixedSense, count);
inline constexpr std::size_t kFixedAdditionalLength = offsetof(FixedSense, additionalLength);
inline constexpr std::size_t kFixedExtensionFlags = offsetof(FixedSense, extensionFlags);
inline constexpr std::size_t kFixedLbaLow = offsetof(FixedSense, lbaLow);
inline constexpr std::size_t kFixedLbaMid = offsetof(FixedSense, lbaMid);
inline constexpr std::size_t kFixedLbaHigh = offsetof(FixedSense, lbaHigh);
inline constexpr std::size_t kFixedAsc = offsetof(FixedSense, asc);
inline constexpr std::size_t kFixedAscq = offsetof(FixedSense, ascq);
inline constexpr std::uint8_t kFixedExtendedBit = 0x80;
inline constexpr std::uint8_t kFixedCountUpperBit = 0x40;
inline constexpr std::uint8_t kFixedLbaUpperBit = 0x20;
inline constexpr std::uint8_t kFixedAdditionalLengthValue = 10;  // bytes after byte 7

// Descriptor format with the ATA Status Return descriptor (code 9, 12 bytes after its length
// byte) as the first descriptor.
struct DescriptorSense {
    std::uint8_t responseCode;
    std::uint8_t senseKey;
    std::uint8_t asc;
    std::uint8_t ascq;
    std::uint8_t reserved4[3];
    std::uint8_t additionalLength;
    std::uint8_t descriptorCode;
    std::uint8_t descriptorLength;
    std::uint8_t extend;  // bit 0: the high-order registers below are valid
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
inline constexpr std::size_t kDescriptorSenseKey = offsetof(DescriptorSense, senseKey);
inline constexpr std::size_t kDescriptorAsc = offsetof(DescriptorSense, asc);
inline constexpr std::size_t kDescriptorAscq = offsetof(DescriptorSense, ascq);
inline constexpr std::size_t kDescriptorAdditionalLength = offsetof(DescriptorSense, additionalLength);
inline constexpr std::size_t kDescriptorCode = offsetof(DescriptorSense, descriptorCode);
inline constexpr std::size_t kDescriptorLength = offsetof(DescriptorSense, descriptorLength);
inline constexpr std::size_t kDescriptorExtend = offsetof(DescriptorSense, extend);
inline constexpr std::size_t kDescriptorError = offsetof(DescriptorSense, error);
inline constexpr std::size_t kDescriptorCountHigh = offsetof(DescriptorSense, countHigh);
inline constexpr std::size_t kDescriptorCount = offsetof(DescriptorSense, count);
inline constexpr std::size_t kDescriptorLba24 = offsetof(DescriptorSense, lba24);
inline constexpr std::size_t kDescriptorLbaLow = offsetof(DescriptorSense, lbaLow);
inline constexpr std::size_t kDescriptorLba32 = offsetof(DescriptorSense, lba32);
inline constexpr std::size_t kDescriptorLbaMid = offsetof(DescriptorSense, lbaMid);
inline constexpr std::size_t kDescriptorLba40 = offsetof(DescriptorSense, lba40);
inline constexpr std::size_t kDescriptorLbaHigh = offsetof(DescriptorSense, lbaHigh);
inline constexpr std::size_t kDescriptorDevice = offsetof(DescriptorSense, device);
inline constexpr std::size_t kDescriptorStatus = offsetof(DescriptorSense, status);
inline constexpr std::uint8_t kAtaStatusReturnDescriptor = 0x09;
inline constexpr std::uint8_t kAtaStatusReturnLength = 0x0C;
inline constexpr std::uint8_t kDescriptorExtendBit = 0x01;

static_assert(alignof(FixedSense) == 1 && sizeof(FixedSense) == 18);
static_assert(kFixedSenseKey == 2 && kFixedError == 3 && kFixedStatus == 4 && kFixedDevice == 5 && kFixedCount == 6);
static_assert(kFixedAdditionalLength == 7 && kFixedExtensionFlags == 8);
static_assert(kFixedLbaLow == 9 && kFixedLbaMid == 10 && kFixedLbaHigh == 11 && kFixedAsc == 12 && kFixedAscq == 13);
static_assert(kFixedAdditionalLength + 1 + kFixedAdditionalLengthValue == sizeof(FixedSense));

static_assert(alignof(DescriptorSense) == 1 && sizeof(DescriptorSense) == 22);
static_assert(kDescriptorSenseKey == 1 && kDescriptorAsc == 2 && kDescriptorAscq == 3);
static_assert(kDescriptorAdditionalLength == 7 && kDescriptorCode == 8 && kDescriptorLength == 9);
static_assert(kDescriptorExtend == 10 && kDescriptorError == 11 && kDescriptorCountHigh == 12 && kDescriptorCount == 13);
static_assert(kDescriptorLba24 == 14 && kDescriptorLbaLow == 15 && kDescriptorLba32 == 16 && kDescriptorLbaMid == 17);
static_assert(kDescriptorLba40 == 18 && kDescriptorLbaHigh == 19 && kDescriptorDevice == 20 && kDescriptorStatus == 21);
static_assert(kDescriptorLength + 1 + kAtaStatusReturnLength == sizeof(DescriptorSense));

}  // namespace lmx::sense
