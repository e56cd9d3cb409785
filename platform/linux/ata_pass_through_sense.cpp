#include "platform/linux/ata_pass_through_sense.h"

#include <algorithm>

#include "common/ata_pass_through.h"
#include "common/sense_data.h"

namespace platform::sgio {

namespace {

// The layouts SAT specifies are common/sense_data.h's.
using lmx::sense::kAtaStatusReturnDescriptor;
using lmx::sense::kAtaStatusReturnLength;
using lmx::sense::kDescriptorAdditionalLength;
using lmx::sense::kDescriptorSenseKey;
using lmx::sense::kFirstDescriptor;
using lmx::sense::kFixedCommandSpecific;
using lmx::sense::kFixedCountUpperBit;
using lmx::sense::kFixedInformation;
using lmx::sense::kFixedLbaUpperBit;
using lmx::sense::kFixedSenseKey;
using lmx::sense::kFixedSenseLength;
using lmx::sense::kResponseCode;
using lmx::sense::kResponseCodeMask;
using lmx::sense::kSenseKeyMask;
using lmx::sense::kValidBit;
namespace ata = lmx::sense;  // offsets within the ATA Status Return descriptor: ata::kReturn…

// Where older libata put the registers, and what it wrote over from byte 14 on.
constexpr std::size_t kOlderRegisters = 8;  // error, status, device, count
constexpr std::size_t kOlderFlags = 16;     // then LBA(7:0), LBA(15:8), LBA(23:16)
constexpr std::size_t kFixedFieldReplaceableUnit = offsetof(lmx::sense::FixedSense, fieldReplaceableUnit);

bool isFixed(const std::uint8_t* sense, std::size_t length) {
    if (!sense || length < kFixedInformation) return false;
    const std::uint8_t code = sense[kResponseCode] & kResponseCodeMask;
    return code == lmx::sense::kFixedCurrent || code == lmx::sense::kFixedDeferred;
}

bool isDescriptor(const std::uint8_t* sense, std::size_t length) {
    if (!sense || length < kFirstDescriptor) return false;
    const std::uint8_t code = sense[kResponseCode] & kResponseCodeMask;
    return code == lmx::sense::kDescriptorCurrent || code == lmx::sense::kDescriptorDeferred;
}

bool allZero(const std::uint8_t* bytes, std::size_t count) {
    return std::all_of(bytes, bytes + count, [](std::uint8_t b) { return b == 0; });
}

std::optional<AtaRegisters> fromDescriptor(const std::uint8_t* sense, std::size_t length, bool extendedCommand) {
    const std::size_t end = std::min(length, kFirstDescriptor + sense[kDescriptorAdditionalLength]);
    for (std::size_t at = kFirstDescriptor; at + 2 <= end; at += 2 + sense[at + ata::kReturnLength]) {
        if (sense[at + ata::kReturnCode] != kAtaStatusReturnDescriptor) continue;
        const std::uint8_t* d = sense + at;
        if (d[ata::kReturnLength] < kAtaStatusReturnLength || at + 2 + kAtaStatusReturnLength > end) return std::nullopt;
        const bool extended = d[ata::kReturnExtend] & ata::kReturnExtendBit;
        if (extendedCommand && !extended) return std::nullopt;
        AtaRegisters registers;
        registers.error = d[ata::kReturnError];
        registers.count = d[ata::kReturnCount];
        registers.lbaLow = d[ata::kReturnLbaLow];
        registers.lbaMid = d[ata::kReturnLbaMid];
        registers.lbaHigh = d[ata::kReturnLbaHigh];
        registers.device = d[ata::kReturnDevice];
        registers.status = d[ata::kReturnStatus];
        if (extended) {
            registers.countHigh = d[ata::kReturnCountHigh];
            registers.lba24 = d[ata::kReturnLba24];
            registers.lba32 = d[ata::kReturnLba32];
            registers.lba40 = d[ata::kReturnLba40];
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
    if (extendedCommand && (flags & (kFixedCountUpperBit | kFixedLbaUpperBit))) return std::nullopt;
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
    return cdb && ((length >= 16 && cdb[0] == lmx::kAtaPassThrough16) || (length >= 12 && cdb[0] == lmx::kAtaPassThrough12));
}

std::optional<std::uint8_t> senseKey(const std::uint8_t* sense, std::size_t length) {
    if (isFixed(sense, length)) return sense[kFixedSenseKey] & kSenseKeyMask;
    if (isDescriptor(sense, length)) return sense[kDescriptorSenseKey] & kSenseKeyMask;
    return std::nullopt;
}

bool senseKeyMeansSuccess(std::uint8_t key) { return lmx::sense::senseKeyMeansSuccess(key); }

bool isOlderLibataLayout(const std::uint8_t* sense, std::size_t length) {
    return isFixed(sense, length) && !(sense[kResponseCode] & kValidBit) && length >= kOlderRegisters + 4 &&
           allZero(sense + kFixedInformation, 4) && !allZero(sense + kOlderRegisters, 4);
}

bool normaliseLibataSense(std::uint8_t* sense, std::size_t length) {
    if (!isOlderLibataLayout(sense, length)) return false;
    std::uint8_t older[kFixedSenseLength + 2] = {};
    std::copy_n(sense, std::min(length, sizeof older), older);
    sense[kResponseCode] |= kValidBit;
    std::copy_n(older + kOlderRegisters, 4, sense + kFixedInformation);
    std::copy_n(older + kOlderFlags, 4, sense + kFixedCommandSpecific);
    // The field-replaceable unit and sense-key-specific bytes, and the registers' old places past
    // the additional length.
    if (length > kFixedFieldReplaceableUnit) {
        std::fill(sense + kFixedFieldReplaceableUnit, sense + std::min(length, sizeof older), std::uint8_t{0});
    }
    return true;
}

std::optional<AtaRegisters> ataStatusReturn(const std::uint8_t* sense, std::size_t length, bool extendedCommand) {
    if (isDescriptor(sense, length)) return fromDescriptor(sense, length, extendedCommand);
    if (!isFixed(sense, length)) return std::nullopt;
    if (sense[kResponseCode] & kValidBit) return fromFixed(sense, length, kFixedInformation, kFixedCommandSpecific, extendedCommand);
    if (isOlderLibataLayout(sense, length)) {
        return fromFixed(sense, length, kOlderRegisters, kOlderFlags, extendedCommand);
    }
    return std::nullopt;
}

}  // namespace platform::sgio
