#pragma once
// The registers of one ATA command: as a program sets them (features … command) and as the device
// leaves them (error … status, in the same places), with the high-order bytes of a 48-bit command.
// Every route, the simulated controller and the sense decoder use this one set; the task-file
// descriptor holds it as CurrentTaskFile and PreviousTaskFile (common/ata_pass_through.h).

#include <cstdint>

namespace lmx {

struct AtaRegisters {
    std::uint8_t features = 0;  // returned: the error register
    std::uint8_t count = 0;
    std::uint8_t lbaLow = 0;
    std::uint8_t lbaMid = 0;
    std::uint8_t lbaHigh = 0;
    std::uint8_t device = 0;
    std::uint8_t command = 0;  // returned: the status register
    // The high-order bytes of a 48-bit command.
    std::uint8_t featuresHigh = 0;  // features(15:8)
    std::uint8_t countHigh = 0;     // count(15:8)
    std::uint8_t lba24 = 0;         // LBA(31:24)
    std::uint8_t lba32 = 0;         // LBA(39:32)
    std::uint8_t lba40 = 0;         // LBA(47:40)

    std::uint8_t error() const { return features; }
    std::uint8_t status() const { return command; }

    friend bool operator==(const AtaRegisters&, const AtaRegisters&) = default;
};

}  // namespace lmx
