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

#include "common/ata_registers.h"
#include "common/sense_decoder.h"

namespace platform::sgio {

// The register set is common/ata_registers.h's, the SAT layouts' decoder common/sense_decoder.h's.
using AtaRegisters = lmx::AtaRegisters;
using lmx::sense::senseKey;

// ATA PASS-THROUGH(12) or (16).
bool isAtaPassThrough(const std::uint8_t* cdb, std::size_t length);

// Sense keys NO SENSE and RECOVERED ERROR: the command itself succeeded.
bool senseKeyMeansSuccess(std::uint8_t key);

// Fixed-format sense in the older libata layout (see above).
bool isOlderLibataLayout(const std::uint8_t* sense, std::size_t length);

// Rewrites sense in the older libata layout into the SAT layout in place: VALID set, error,
// status, device and count in the INFORMATION field, the flags and LBA(7:0) in bytes 8-9. LBA(15:8)
// and LBA(23:16), which those kernels cut off, read 0. Any other sense is left as it is. True when
// the sense was rewritten.
bool normaliseLibataSense(std::uint8_t* sense, std::size_t length);

// Every register of the command as the sense carries it: the SAT layouts as
// lmx::sense::ataStatusReturn reads them, or the older libata layout when all of it arrived.
std::optional<AtaRegisters> ataStatusReturn(const std::uint8_t* sense, std::size_t length, bool extendedCommand);

}  // namespace platform::sgio
