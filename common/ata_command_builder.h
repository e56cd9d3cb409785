#pragma once
// The requests both programs that talk to drives build for one ATA command: the task-file
// descriptor of the direct route, and the SCSI pass-through request that carries the same command
// as ATA PASS-THROUGH(16) on the SAT route.

#include <cstdint>
#include <optional>

#include "common/ata_pass_through.h"
#include "common/ata_registers.h"

namespace lmx {

// The descriptor of a command: Length, the flags (data in or out, 48-bit), the transfer length,
// the time-out, the data buffer and the registers; everything else 0.
AtaPassThroughDirect makeAtaRequest(const AtaRegisters& registers, std::uint16_t flags, std::uint32_t transferLength,
                                    std::uint32_t timeOutSeconds, void* data);

// The SAT request for a descriptor and the sizes it is sent with: a data command's sector count
// 0 becomes 1 (in the descriptor too); the data of a data-out command is copied in. Empty when
// the transfer is longer than the request's data area.
std::optional<ScsiPassThroughSizes> buildSatRequest(AtaPassThroughDirect& request, const std::uint8_t* data,
                                                    ScsiPassThroughRequest& sat);

}  // namespace lmx
