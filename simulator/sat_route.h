#pragma once
// The SAT route: IOCTL_SCSI_PASS_THROUGH with the SCSI_PASS_THROUGH header, sense area and data
// area in one buffer, carrying ATA PASS-THROUGH(16). The request is copied in and the reply
// copied out as the platform does for a buffered request, so `in` and `out` may be one buffer.

#include <cstdint>
#include <optional>

#include "simulator/route_request.h"
#include "simulator/sat_sense.h"

namespace simulator {

RouteRequest decodeSatRequest(const void* in, std::uint32_t inSize, const void* out, std::uint32_t outSize);

// How the SCSI command ends: GOOD, or CHECK CONDITION with this sense data.
struct SatStatus {
    std::optional<SenseData> checkCondition;
    std::optional<std::uint8_t> otherStatus;  // a status other than GOOD, without sense data
};

// Writes ScsiStatus, the sense data and, for a data-in command that completed, the data.
void answerSat(const void* in, std::uint32_t inSize, void* out, std::uint32_t outSize, const AtaAnswer& answer,
               const SatStatus& status, std::uint32_t& bytesReturned);

}  // namespace simulator
