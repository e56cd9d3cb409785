#pragma once
// One ATA command as the device sees it, whichever route brought it, and what the device did.

#include <cstdint>

#include "common/ata_pass_through.h"
#include "simulator/hex_bytes.h"

namespace simulator {

enum class DataDirection { None, In, Out };

struct AtaRequest {
    // The registers as delivered; the high-order bytes only for a 48-bit command.
    lmx::AtaRegisters registers;
    bool extended = false;  // a 48-bit command: the high-order bytes were delivered
    DataDirection direction = DataDirection::None;
    std::uint32_t transferLength = 0;
    std::uint32_t timeoutSeconds = 0;
    Bytes dataOut;

    std::uint8_t command() const { return registers.command; }
    std::uint8_t features() const { return registers.features; }
    std::uint8_t count() const { return registers.count; }
    std::uint8_t lbaLow() const { return registers.lbaLow; }
    std::uint8_t lbaMid() const { return registers.lbaMid; }
    std::uint8_t lbaHigh() const { return registers.lbaHigh; }
    std::uint8_t device() const { return registers.device; }
};

// ATA status and error register values of a completed and of an aborted command.
inline constexpr std::uint8_t kStatusReady = 0x50;    // DRDY | DSC
inline constexpr std::uint8_t kStatusAborted = 0x51;  // DRDY | DSC | ERR
inline constexpr std::uint8_t kErrorAbort = 0x04;     // ABRT

struct AtaAnswer {
    bool completed = false;  // false: aborted with ERR/ABRT
    Bytes dataIn;            // the data of a completed data-in command

    std::uint8_t status() const { return completed ? kStatusReady : kStatusAborted; }
    std::uint8_t error() const { return completed ? 0 : kErrorAbort; }
};

inline AtaAnswer abortedAnswer() { return {}; }

}  // namespace simulator
