#include "platform/linux/ata_pass_through_sense.h"

#include <algorithm>

namespace platform::sgio {

namespace {

constexpr std::uint8_t kResponseCodeMask = 0x7F;
constexpr std::uint8_t kValid = 0x80;
constexpr std::uint8_t kSenseKeyMask = 0x0F;

// Fixed format.
constexpr std::size_t kFixedSenseKey = 2;
constexpr std::size_t kFixedInformation = 3;  // error, status, device, count in the SAT layout
constexpr std::size_t kFixedCommandSpecific = 8;  // flags, LBA(7:0), LBA(15:8), LBA(23:16)
constexpr std::size_t kFixedSenseKeySpecific = 14;
constexpr std::size_t kFixedLength = 18;
constexpr std::uint8_t kFixedCountUpperNonZero = 0x40;
constexpr std::uint8_t kFixedLbaUpperNonZero = 0x20;
// Where older libata put them.
constexpr std::size_t kOlderRegisters = 8;  // error, status, device, count
constexpr std::size_t kOlderFlags = 16;     // then LBA(7:0), LBA(15:8), LBA(23:16)

// Descriptor format.
constexpr std::size_t kDescriptorSenseKey = 1;
constexpr std::size_t kDescriptorAdditionalLength = 7;
constexpr std::size_t kDescriptorsStart = 8;
constexpr std::uint8_t kAtaStatusReturn = 0x09;
constexpr std::uint8_t kAtaStatusReturnLength = 0x0C;
constexpr std::uint8_t kDescriptorExtend = 0x01;

bool isFixed(const std::uint8_t* sense, std::size_t length) {
    if (!sense || length < kFixedInformation) return false;
    const std::uint8_t code = sense[0] & kResponseCodeMask;
    return code == 0x70 || code == 0x71;
}

bool isDescriptor(const std::uint8_t* sense, std::size_t length) {
    if (!sense || length < kDescriptorsStart) return false;
    const std::uint8_t code = sense[0] & kResponseCodeMask;
    return code == 0x72 || code == 0x73;
}

bool allZero(const std::uint8_t* bytes, std::size_t count) {
    return std::all_of(bytes, bytes + count, [](std::uint8_t b) { return b == 0; });
}

std::optional<AtaRegisters> fromDescriptor(const std::uint8_t* sense, std::size_t length, bool extendedCommand) {
    const std::size_t end = std::min(length, kDescriptorsStart + sense[kDescriptorAdditionalLength]);
    for (std::size_t at = kDescriptorsStart; at + 2 <= end; at += 2 + sense[at + 1]) {
        if (sense[at] != kAtaStatusReturn) continue;
        const std::uint8_t* d = sense + at;
        if (d[1] < kAtaStatusReturnLength || at + 2 + kAtaStatusReturnLength > end) return std::nullopt;
        const bool extended = d[2] & kDescriptorExtend;
        if (extendedCommand && !extended) return std::nullopt;
        AtaRegisters registers;
        registers.error = d[3];
        registers.count = d[5];
        registers.lbaLow = d[7];
        registers.lbaMid = d[9];
        registers.lbaHigh = d[11];
        registers.device = d[12];
        registers.status = d[13];
        if (extended) {
            registers.countHigh = d[4];
            registers.lba24 = d[6];
            registers.lba32 = d[8];
            registers.lba40 = d[10];
        }
        return registers;
    }
    return std::nullopt;
}

// Error, status, device and count at `registers`, the flags and LBA(23:0) at `flags`.
std::optional<AtaRegisters> fromFixed(const std::uint8_t* sense, std::size_t length, std::size_t registersAt,
                                      std::size_t flagsAt, bool extendedCommand) {
    if (length < registersAt + 4 || length < flagsAt + 4) return std::nullopt;
    const std::uint8_t flags = sense[flagsAt];
    // Fixed format only says whether the high-order bytes are non-zero.
    if (extendedCommand && (flags & (kFixedCountUpperNonZero | kFixedLbaUpperNonZero))) return std::nullopt;
    AtaRegisters registers;
    registers.error = sense[registersAt];
    registers.status = sense[registersAt + 1];
    registers.device = sense[registersAt + 2];
    registers.count = sense[registersAt + 3];
    registers.lbaLow = sense[flagsAt + 1];
    registers.lbaMid = sense[flagsAt + 2];
    registers.lbaHigh = sense[flagsAt + 3];
    return registers;
}

}  // namespace

bool isAtaPassThrough(const std::uint8_t* cdb, std::size_t length) {
    return cdb && ((length >= 16 && cdb[0] == 0x85) || (length >= 12 && cdb[0] == 0xA1));
}

std::optional<std::uint8_t> senseKey(const std::uint8_t* sense, std::size_t length) {
    if (isFixed(sense, length)) return sense[kFixedSenseKey] & kSenseKeyMask;
    if (isDescriptor(sense, length)) return sense[kDescriptorSenseKey] & kSenseKeyMask;
    return std::nullopt;
}

bool senseKeyMeansSuccess(std::uint8_t key) { return key == 0x00 || key == 0x01; }

bool isOlderLibataLayout(const std::uint8_t* sense, std::size_t length) {
    return isFixed(sense, length) && !(sense[0] & kValid) && length >= kOlderRegisters + 4 &&
           allZero(sense + kFixedInformation, 4) && !allZero(sense + kOlderRegisters, 4);
}

bool normaliseLibataSense(std::uint8_t* sense, std::size_t length) {
    if (!isOlderLibataLayout(sense, length)) return false;
    std::uint8_t older[kFixedLength + 2] = {};
    std::copy_n(sense, std::min(length, sizeof older), older);
    sense[0] |= kValid;
    std::copy_n(older + kOlderRegisters, 4, sense + kFixedInformation);
    std::copy_n(older + kOlderFlags, 4, sense + kFixedCommandSpecific);
    // Sense-key-specific bytes, and the registers' old places past the additional length.
    if (length > kFixedSenseKeySpecific) {
        std::fill(sense + kFixedSenseKeySpecific, sense + std::min(length, sizeof older), std::uint8_t{0});
    }
    return true;
}

std::optional<AtaRegisters> ataStatusReturn(const std::uint8_t* sense, std::size_t length, bool extendedCommand) {
    if (isDescriptor(sense, length)) return fromDescriptor(sense, length, extendedCommand);
    if (!isFixed(sense, length)) return std::nullopt;
    if (sense[0] & kValid) return fromFixed(sense, length, kFixedInformation, kFixedCommandSpecific, extendedCommand);
    if (isOlderLibataLayout(sense, length)) {
        return fromFixed(sense, length, kOlderRegisters, kOlderFlags, extendedCommand);
    }
    return std::nullopt;
}

}  // namespace platform::sgio
