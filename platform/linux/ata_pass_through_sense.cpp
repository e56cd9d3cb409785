#include "platform/linux/ata_pass_through_sense.h"

#include <algorithm>

#include "common/ata_pass_through.h"
#include "common/sense_data.h"

namespace platform::sgio {

namespace {

// The layouts SAT specifies are common/sense_data.h's.
using lmx::sense::kFixedCommandSpecific;
using lmx::sense::kFixedInformation;
using lmx::sense::kFixedSenseLength;
using lmx::sense::kResponseCode;
using lmx::sense::kValidBit;

// Where older libata put the registers, and what it wrote over from byte 14 on.
constexpr std::size_t kOlderRegisters = 8;  // error, status, device, count
constexpr std::size_t kOlderFlags = 16;     // then LBA(7:0), LBA(15:8), LBA(23:16)
constexpr std::size_t kFixedFieldReplaceableUnit = offsetof(lmx::sense::FixedSense, fieldReplaceableUnit);

bool allZero(const std::uint8_t* bytes, std::size_t count) {
    return std::all_of(bytes, bytes + count, [](std::uint8_t b) { return b == 0; });
}

}  // namespace

bool isAtaPassThrough(const std::uint8_t* cdb, std::size_t length) {
    return cdb && ((length >= 16 && cdb[0] == lmx::kAtaPassThrough16) || (length >= 12 && cdb[0] == lmx::kAtaPassThrough12));
}

bool senseKeyMeansSuccess(std::uint8_t key) { return lmx::sense::senseKeyMeansSuccess(key); }

bool isOlderLibataLayout(const std::uint8_t* sense, std::size_t length) {
    return lmx::sense::isFixedSense(sense, length) && !(sense[kResponseCode] & kValidBit) && length >= kOlderRegisters + 4 &&
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
    if (!isOlderLibataLayout(sense, length)) return lmx::sense::ataStatusReturn(sense, length, extendedCommand);
    // LBA(15:8) and LBA(23:16) arrived only when the sense reaches past them.
    std::uint8_t rewritten[kOlderFlags + 4];
    if (length < sizeof rewritten) return std::nullopt;
    std::copy_n(sense, sizeof rewritten, rewritten);
    normaliseLibataSense(rewritten, sizeof rewritten);
    return lmx::sense::ataStatusReturn(rewritten, sizeof rewritten, extendedCommand);
}

}  // namespace platform::sgio
