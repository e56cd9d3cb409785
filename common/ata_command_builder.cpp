#include "common/ata_command_builder.h"

#include <cstring>

namespace lmx {

AtaPassThroughDirect makeAtaRequest(const AtaRegisters& registers, std::uint16_t flags, std::uint32_t transferLength,
                                    std::uint32_t timeOutSeconds, void* data) {
    AtaPassThroughDirect request;
    std::memset(&request, 0, sizeof request);
    request.Length = sizeof request;
    request.AtaFlags = flags;
    request.DataTransferLength = transferLength;
    request.TimeOutValue = timeOutSeconds;
    request.DataBuffer = data;
    storeTaskFile(registers, true, request);
    return request;
}

std::optional<ScsiPassThroughSizes> buildSatRequest(AtaPassThroughDirect& request, const std::uint8_t* data,
                                                    ScsiPassThroughRequest& sat) {
    if (request.DataTransferLength > kSatDataSize) return std::nullopt;
    const bool movesData = request.AtaFlags & (kAtaFlagsDataIn | kAtaFlagsDataOut);
    if (movesData && request.CurrentTaskFile[kTaskSectorCount] == 0) request.CurrentTaskFile[kTaskSectorCount] = 1;
    fillScsiPassThroughHeader(request, sat);
    fillAtaPassThrough16(request, sat.Cdb);
    if (sat.DataIn == kScsiDataOut && data) std::memcpy(sat.Data, data, request.DataTransferLength);
    return scsiPassThroughSizes(sat.DataIn, request.DataTransferLength);
}

}  // namespace lmx
