#include "simulator/direct_route.h"

#include <algorithm>
#include <cstring>

#include "common/ata_pass_through.h"
#include "platform/win_error.h"

namespace simulator {

namespace {

// The descriptor's Length as a 32-bit process fills it, and as this process's layout is.
constexpr std::uint16_t kDescriptorLength32 = 40;
constexpr std::uint32_t kLargestTransfer = 1u << 20;

RouteRequest refused(RouteRequest request, std::string problem) {
    request.ata.reset();
    request.bufferError = platform::kErrorInvalidParameter;
    request.problem = std::move(problem);
    return request;
}

}  // namespace

RouteRequest decodeDirectRequest(const void* in, std::uint32_t inSize, const void* out, std::uint32_t outSize) {
    RouteRequest request;
    request.route = Route::Direct;
    if (!in || inSize < sizeof(lmx::AtaPassThroughDirect)) return refused(request, "input smaller than the descriptor");
    if (!out || outSize < sizeof(lmx::AtaPassThroughDirect)) {
        return refused(request, "output smaller than the descriptor");
    }
    lmx::AtaPassThroughDirect descriptor;
    std::memcpy(&descriptor, in, sizeof descriptor);

    AtaRequest ata;
    ata.extended = (descriptor.AtaFlags & lmx::kAtaFlags48BitCommand) != 0;
    if (!ata.extended) std::memset(descriptor.PreviousTaskFile, 0, sizeof descriptor.PreviousTaskFile);
    ata.registers = lmx::taskFileRegisters(descriptor);
    ata.transferLength = descriptor.DataTransferLength;
    ata.timeoutSeconds = descriptor.TimeOutValue;
    const bool dataIn = (descriptor.AtaFlags & lmx::kAtaFlagsDataIn) != 0;
    const bool dataOut = (descriptor.AtaFlags & lmx::kAtaFlagsDataOut) != 0;
    ata.direction = dataIn ? DataDirection::In : dataOut ? DataDirection::Out : DataDirection::None;
    request.ata = ata;
    addTaskFileLogFields(request);
    request.logFields["ataFlags"] = descriptor.AtaFlags;
    request.logFields["timeout"] = descriptor.TimeOutValue;

    if (descriptor.Length != sizeof(lmx::AtaPassThroughDirect) && descriptor.Length != kDescriptorLength32) {
        return refused(request, "descriptor Length is " + std::to_string(descriptor.Length));
    }
    if (dataIn && dataOut) return refused(request, "both data-in and data-out flags");
    if (ata.direction != DataDirection::None && ata.transferLength > 0) {
        if (!descriptor.DataBuffer) return refused(request, "no data buffer");
        if (ata.transferLength > kLargestTransfer) return refused(request, "transfer too long");
    }
    if (ata.direction == DataDirection::Out) {
        const auto* data = static_cast<const std::uint8_t*>(descriptor.DataBuffer);
        request.ata->dataOut.assign(data, data + ata.transferLength);
    }
    return request;
}

void answerDirect(const void* in, void* out, const AtaAnswer& answer, std::uint32_t& bytesReturned) {
    lmx::AtaPassThroughDirect reply;
    std::memcpy(&reply, in, sizeof reply);
    const bool dataIn = (reply.AtaFlags & lmx::kAtaFlagsDataIn) != 0;
    if (dataIn) {
        const std::size_t length = std::min<std::size_t>(reply.DataTransferLength, answer.dataIn.size());
        if (answer.completed && length > 0) std::memcpy(reply.DataBuffer, answer.dataIn.data(), length);
        reply.DataTransferLength = answer.completed ? static_cast<std::uint32_t>(length) : 0;
    } else if (!answer.completed) {
        reply.DataTransferLength = 0;
    }
    reply.CurrentTaskFile[lmx::kTaskFeatures] = answer.error();
    reply.CurrentTaskFile[lmx::kTaskCommand] = answer.status();
    std::memcpy(out, &reply, sizeof reply);
    bytesReturned = sizeof reply;
}

}  // namespace simulator
