#pragma once
// The sense data that Linux's libata returns for ATA PASS-THROUGH commands, and what the
// platform makes of it.
//
// libata returns the ATA registers of a command in descriptor-format sense (an ATA Status Return
// descriptor) or in fixed-format sense. Kernels before 6.11 put them in the wrong place in the
// fixed format: error, status, device and count in bytes 8-11 with the VALID bit clear (not in
// the INFORMATION field, bytes 3-6), the extension flags and LBA(7:0) in bytes 16-17, and LBA(15:8)
// and LBA(23:16) past the 18 bytes they return. Newer kernels use the layout SAT specifies:
// VALID set, the registers in bytes 3-6, the flags and LBA(23:0) in bytes 8-11.

#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform::sgio {

// The registers an ATA command returned. For a 48-bit command the high-order bytes count too.
struct AtaRegisters {
    std::uint8_t error = 0;
    std::uint8_t status = 0;
    std::uint8_t device = 0;
    std::uint8_t count = 0;
    std::uint8_t lbaLow = 0;
    std::uint8_t lbaMid = 0;
    std::uint8_t lbaHigh = 0;
    std::uint8_t countHigh = 0;  // count(15:8)
    std::uint8_t lba24 = 0;      // LBA(31:24)
    std::uint8_t lba32 = 0;      // LBA(39:32)
    std::uint8_t lba40 = 0;      // LBA(47:40)
};

// ATA PASS-THROUGH(12) or (16).
bool isAtaPassThrough(const std::uint8_t* cdb, std::size_t length);

// The sense key, or empty when the bytes are not fixed- or descriptor-format sense.
std::optional<std::uint8_t> senseKey(const std::uint8_t* sense, std::size_t length);

// Sense keys NO SENSE and RECOVERED ERROR: the command itself succeeded.
bool senseKeyMeansSuccess(std::uint8_t key);

// Fixed-format sense in the older libata layout (see above).
bool isOlderLibataLayout(const std::uint8_t* sense, std::size_t length);

// Rewrites sense in the older libata layout into the SAT layout in place: VALID set, error,
// status, device and count in the INFORMATION field, the flags and LBA(7:0) in bytes 8-9. LBA(15:8)
// and LBA(23:16), which those kernels cut off, read 0. Any other sense is left as it is. True when
// the sense was rewritten.
bool normaliseLibataSense(std::uint8_t* sense, std::size_t length);

// Every register of the command as the sense carries it (descriptor format, fixed format in the SAT
// layout, or the older libata layout when all of it arrived). Empty when the sense does not carry
// them all: no ATA Status Return, registers cut off, or the high-order bytes of a 48-bit command
// that fixed format only flags as non-zero.
std::optional<AtaRegisters> ataStatusReturn(const std::uint8_t* sense, std::size_t length, bool extendedCommand);

}  // namespace platform::sgio
