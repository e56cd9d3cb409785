#pragma once
// The legacy SMART route: SMART_SEND_DRIVE_COMMAND with SENDCMDINPARAMS (IDE registers) in and
// SENDCMDOUTPARAMS (driver status and up to 512 data bytes) out.

#include <cstdint>

#include "simulator/route_request.h"

namespace simulator {

RouteRequest decodeSmartRequest(const void* in, std::uint32_t inSize, const void* out, std::uint32_t outSize);

// Fills SENDCMDOUTPARAMS. A command the drive aborted fails the request with the driver status
// showing the IDE error; the result is whether the request succeeded.
bool answerSmart(void* out, std::uint32_t outSize, const AtaAnswer& answer, std::uint32_t& bytesReturned,
                 std::uint32_t& error);

}  // namespace simulator
