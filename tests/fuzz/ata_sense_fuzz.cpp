// Sense data to ATA registers (common/sense_decoder, through platform/linux/ata_pass_through_sense
// for the older libata layout): fixed and descriptor
// formats, the SAT layout and the older libata one. The first byte chooses a 28- or 48-bit
// command, the rest is the sense as the kernel wrote it.
//
// Properties: registers are accepted only when the sense carries every one of them — the ATA
// Status Return descriptor lies whole within the sense and its additional length (and says
// "extended" for a 48-bit command), or fixed sense reaches the last register byte (and does not
// flag high-order bytes it cannot carry) — and they are exactly the bytes there. Rewriting the
// older layout keeps the registers it carried and is done once.

#include <cstring>
#include <memory>
#include <optional>

#include "common/sense_data.h"
#include "platform/linux/ata_pass_through_sense.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

namespace sense = lmx::sense;
using platform::sgio::AtaRegisters;

bool sameRegisters(const AtaRegisters& a, const AtaRegisters& b) { return a == b; }

// What the sense carries, read independently of the decoder: a second reading to compare with.
std::optional<AtaRegisters> expectedRegisters(const std::uint8_t* s, std::size_t length, bool extended) {
    if (length < 1) return std::nullopt;
    const std::uint8_t code = s[0] & 0x7F;
    if ((code == 0x72 || code == 0x73) && length >= 8) {
        const std::size_t end = std::min<std::size_t>(length, 8u + s[7]);
        std::size_t at = 8;
        while (at + 2 <= end) {
            if (s[at] == sense::kAtaStatusReturnDescriptor) {
                if (s[at + 1] < 12 || at + 14 > end) return std::nullopt;
                const std::uint8_t* d = s + at;
                const bool descriptorExtended = d[2] & 1;
                if (extended && !descriptorExtended) return std::nullopt;
                AtaRegisters r;
                r.features = d[3];
                r.count = d[5];
                r.lbaLow = d[7];
                r.lbaMid = d[9];
                r.lbaHigh = d[11];
                r.device = d[12];
                r.command = d[13];
                if (descriptorExtended) {
                    r.countHigh = d[4];
                    r.lba24 = d[6];
                    r.lba32 = d[8];
                    r.lba40 = d[10];
                }
                return r;
            }
            at += 2u + s[at + 1];
        }
        return std::nullopt;
    }
    if ((code == 0x70 || code == 0x71) && length >= 3) {
        std::size_t registersAt = 3, flagsAt = 8;
        if (!(s[0] & 0x80)) {
            // The older libata layout: INFORMATION zero, bytes 8-11 not.
            if (length < 12 || s[3] || s[4] || s[5] || s[6] || !(s[8] || s[9] || s[10] || s[11])) return std::nullopt;
            registersAt = 8;
            flagsAt = 16;
        }
        if (length < registersAt + 4 || length < flagsAt + 4) return std::nullopt;
        if (extended && (s[flagsAt] & 0x60)) return std::nullopt;
        AtaRegisters r;
        r.features = s[registersAt];
        r.command = s[registersAt + 1];
        r.device = s[registersAt + 2];
        r.count = s[registersAt + 3];
        r.lbaLow = s[flagsAt + 1];
        r.lbaMid = s[flagsAt + 2];
        r.lbaHigh = s[flagsAt + 3];
        return r;
    }
    return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    lmx::fuzz::FuzzInput input(data, size);
    const bool extended = input.byte() & 1;
    const auto bytes = input.rest();
    const std::size_t length = bytes.size();
    // An exactly sized copy: a read past the sense the kernel wrote is a finding.
    auto senseCopy = std::make_unique<std::uint8_t[]>(length);
    if (length) std::memcpy(senseCopy.get(), bytes.data(), length);
    const std::uint8_t* s = senseCopy.get();

    const auto decoded = platform::sgio::ataStatusReturn(s, length, extended);
    const auto expected = expectedRegisters(s, length, extended);
    FUZZ_CHECK(decoded.has_value() == expected.has_value());
    if (decoded) FUZZ_CHECK(sameRegisters(*decoded, *expected));
    if (decoded) FUZZ_CHECK(platform::sgio::senseKey(s, length).has_value());

    // The kernel path: the older layout rewritten into the SAT layout first.
    const bool older = platform::sgio::isOlderLibataLayout(s, length);
    const bool rewritten = platform::sgio::normaliseLibataSense(senseCopy.get(), length);
    FUZZ_CHECK(older == rewritten);
    if (rewritten) {
        FUZZ_CHECK(!platform::sgio::normaliseLibataSense(senseCopy.get(), length));
        FUZZ_CHECK(platform::sgio::senseKey(s, length) == platform::sgio::senseKey(bytes.data(), length));
        const auto after = platform::sgio::ataStatusReturn(s, length, extended);
        if (decoded) {
            // Everything the older layout carried whole, the SAT layout carries the same.
            FUZZ_CHECK(after.has_value() && sameRegisters(*after, *decoded));
        }
        if (after) {
            FUZZ_CHECK(after->error() == bytes[8] && after->status() == bytes[9] && after->device == bytes[10] &&
                       after->count == bytes[11]);
            FUZZ_CHECK(after->lbaLow == (length > 17 ? bytes[17] : 0));
        }
    }
    return 0;
}
