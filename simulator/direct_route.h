#pragma once
// The direct ATA route: IOCTL_ATA_PASS_THROUGH_DIRECT with the task-file descriptor in `in`, the
// returned registers in a descriptor in `out`, and the data moved through the caller's buffer
// that the descriptor's DataBuffer points at.

#include <cstdint>

#include "simulator/route_request.h"

namespace simulator {

RouteRequest decodeDirectRequest(const void* in, std::uint32_t inSize, const void* out, std::uint32_t outSize);

// Writes the reply descriptor (the request with the error and status registers returned) and,
// for a completed data-in command, the data into the caller's buffer. `in` may be `out`.
void answerDirect(const void* in, void* out, const AtaAnswer& answer, std::uint32_t& bytesReturned);

}  // namespace simulator
