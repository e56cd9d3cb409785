#pragma once
// What a program reads from the sense data of an ATA PASS-THROUGH command: the sense key, and
// the registers the command returned. The one decoder of the suite: the service's SAT route and
// the platform's disk driver both read sense through it (the simulator writes it,
// common/sense_data.h).

#include <cstddef>
#include <cstdint>
#include <optional>

#include "common/ata_registers.h"

namespace lmx::sense {

// Fixed-format sense (response codes 0x70/0x71) long enough to hold the information field.
bool isFixedSense(const std::uint8_t* sense, std::size_t length);

// The sense key, or empty when the bytes are not fixed- or descriptor-format sense.
std::optional<std::uint8_t> senseKey(const std::uint8_t* sense, std::size_t length);

// Every register of the command as the sense carries it: from descriptor format (the ATA Status
// Return among all descriptors, its length checked against the descriptor and the sense), or from
// fixed format with VALID set. Empty when the sense does not carry them all: no ATA Status
// Return, registers cut off, the low-order bytes alone for a 48-bit command (`extendedCommand`),
// or high-order bytes that fixed format only flags as non-zero.
std::optional<AtaRegisters> ataStatusReturn(const std::uint8_t* sense, std::size_t length, bool extendedCommand);

}  // namespace lmx::sense
