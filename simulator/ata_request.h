#pragma once
// One ATA command as the device sees it, whichever route brought it, and what the device did.

#include <array>
#include <cstdint>

#include "common/ata_pass_through.h"
#include "simulator/hex_bytes.h"

namespace simulator {

enum class DataDirection { None, In, Out };

struct AtaRequest {
    // Register bytes in CurrentTaskFile order (features, count, LBA low/mid/high, device,
    // command, 0) and, for 48-bit commands, the high-order bytes in PreviousTaskFile order.
    std::array<std::uint8_t, 8> current{};
    std::array<std::uint8_t, 8> previous{};
    bool extended = false;  // a 48-bit command: `previous` was delivered
    DataDirection direction = DataDirection::None;
    std::uint32_t transferLength = 0;
    std::uint32_t timeoutSeconds = 0;
    Bytes dataOut;

    std::uint8_t command() const { return current[lmx::kTaskCommand]; }
    std::uint8_t features() const { return current[lmx::kTaskFeatures]; }
    std::uint8_t count() const { return current[lmx::kTaskSectorCount]; }
    std::uint8_t lbaLow() const { return current[lmx::kTaskLbaLow]; }
    std::uint8_t lbaMid() const { return current[lmx::kTaskLbaMid]; }
    std::uint8_t lbaHigh() const { return current[lmx::kTaskLbaHigh]; }
    std::uint8_t device() const { return current[lmx::kTaskDevice]; }
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
