#include "common/sense_decoder.h"

#include <algorithm>

#include "common/sense_data.h"

namespace lmx::sense {

namespace {

bool isDescriptorSense(const std::uint8_t* sense, std::size_t length) {
    if (!sense || length < kFirstDescriptor) return false;
    const std::uint8_t code = sense[kResponseCode] & kResponseCodeMask;
    return code == kDescriptorCurrent || code == kDescriptorDeferred;
}

std::optional<AtaRegisters> fromDescriptor(const std::uint8_t* sense, std::size_t length, bool extendedCommand) {
    const std::size_t end = std::min(length, kFirstDescriptor + sense[kDescriptorAdditionalLength]);
    for (std::size_t at = kFirstDescriptor; at + 2 <= end; at += 2 + sense[at + kReturnLength]) {
        if (sense[at + kReturnCode] != kAtaStatusReturnDescriptor) continue;
        const std::uint8_t* d = sense + at;
        if (d[kReturnLength] < kAtaStatusReturnLength || at + 2 + kAtaStatusReturnLength > end) return std::nullopt;
        const bool extended = d[kReturnExtend] & kReturnExtendBit;
        if (extendedCommand && !extended) return std::nullopt;
        AtaRegisters registers;
        registers.features = d[kReturnError];
        registers.count = d[kReturnCount];
        registers.lbaLow = d[kReturnLbaLow];
        registers.lbaMid = d[kReturnLbaMid];
        registers.lbaHigh = d[kReturnLbaHigh];
        registers.device = d[kReturnDevice];
        registers.command = d[kReturnStatus];
        if (extended) {
            registers.countHigh = d[kReturnCountHigh];
            registers.lba24 = d[kReturnLba24];
            registers.lba32 = d[kReturnLba32];
            registers.lba40 = d[kReturnLba40];
        }
        return registers;
    }
    return std::nullopt;
}

// Error, status, device and count in the information field, the flags and LBA(23:0) in the
// command-specific field.
std::optional<AtaRegisters> fromFixed(const std::uint8_t* sense, std::size_t length, bool extendedCommand) {
    if (length < kFixedInformation + 4 || length < kFixedCommandSpecific + 4) return std::nullopt;
    const std::uint8_t flags = sense[kFixedExtensionFlags];
    // Fixed format only says whether the high-order bytes are non-zero.
    if (extendedCommand && (flags & (kFixedCountUpperBit | kFixedLbaUpperBit))) return std::nullopt;
    AtaRegisters registers;
    registers.features = sense[kFixedError];
    registers.command = sense[kFixedStatus];
    registers.device = sense[kFixedDevice];
    registers.count = sense[kFixedCount];
    registers.lbaLow = sense[kFixedLbaLow];
    registers.lbaMid = sense[kFixedLbaMid];
    registers.lbaHigh = sense[kFixedLbaHigh];
    return registers;
}

}  // namespace

bool isFixedSense(const std::uint8_t* sense, std::size_t length) {
    if (!sense || length < kFixedInformation) return false;
    const std::uint8_t code = sense[kResponseCode] & kResponseCodeMask;
    return code == kFixedCurrent || code == kFixedDeferred;
}

std::optional<std::uint8_t> senseKey(const std::uint8_t* sense, std::size_t length) {
    if (isFixedSense(sense, length)) return sense[kFixedSenseKey] & kSenseKeyMask;
    if (isDescriptorSense(sense, length)) return sense[kDescriptorSenseKey] & kSenseKeyMask;
    return std::nullopt;
}

std::optional<AtaRegisters> ataStatusReturn(const std::uint8_t* sense, std::size_t length, bool extendedCommand) {
    if (isDescriptorSense(sense, length)) return fromDescriptor(sense, length, extendedCommand);
    if (isFixedSense(sense, length) && (sense[kResponseCode] & kValidBit)) return fromFixed(sense, length, extendedCommand);
    return std::nullopt;
}

}  // namespace lmx::sense
