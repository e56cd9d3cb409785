#include "simulator/smart_route.h"

#include <algorithm>
#include <cstring>

#include "common/vendor_pages.h"
#include "platform/physical_drive.h"
#include "platform/win_error.h"

namespace simulator {

namespace {

namespace pages = lmx::pages;

constexpr std::uint32_t kOutHeaderSize = offsetof(lmx::SendCmdOutParams, bBuffer);
constexpr std::uint32_t kSectorSize = 512;
constexpr std::uint8_t kSmartIdeError = 1;  // DriverStatus.bDriverError: the drive reported an error
// The legacy request carries no time-out; the driver's own is used.
constexpr std::uint32_t kDriverTimeoutSeconds = 10;

RouteRequest refused(RouteRequest request, std::string problem) {
    request.ata.reset();
    request.bufferError = platform::kErrorInvalidParameter;
    request.problem = std::move(problem);
    return request;
}

// The legacy request has no direction field: the commands that read a sector are known.
DataDirection directionOf(const lmx::IdeRegisters& registers) {
    if (registers.bCommandReg == pages::kCommandIdentify) return DataDirection::In;
    if (registers.bCommandReg == pages::kCommandSmart && registers.bFeaturesReg == pages::kFeatureVendorPageRead) {
        return DataDirection::In;
    }
    return DataDirection::None;
}

}  // namespace

RouteRequest decodeSmartRequest(const void* in, std::uint32_t inSize, const void* out, std::uint32_t outSize) {
    RouteRequest request;
    request.route = Route::Smart;
    if (!in || inSize < lmx::kSendCmdInSize) return refused(request, "input smaller than SENDCMDINPARAMS");
    lmx::SendCmdInParams params{};
    std::memcpy(&params, in, lmx::kSendCmdInSize);
    const lmx::IdeRegisters& registers = params.irDriveRegs;

    AtaRequest ata;
    ata.registers.features = registers.bFeaturesReg;
    ata.registers.count = registers.bSectorCountReg;
    ata.registers.lbaLow = registers.bSectorNumberReg;
    ata.registers.lbaMid = registers.bCylLowReg;
    ata.registers.lbaHigh = registers.bCylHighReg;
    ata.registers.device = registers.bDriveHeadReg;
    ata.registers.command = registers.bCommandReg;
    ata.direction = directionOf(registers);
    ata.transferLength = ata.direction == DataDirection::In ? kSectorSize : 0;
    ata.timeoutSeconds = kDriverTimeoutSeconds;
    request.ata = ata;
    addTaskFileLogFields(request);
    request.logFields["driveNumber"] = params.bDriveNumber;
    request.logFields["bufferSize"] = lmx::loadLittleEndian<std::uint32_t>(params.cBufferSize);

    const std::uint32_t needed = kOutHeaderSize + request.ata->transferLength;
    if (!out || outSize < needed) return refused(request, "output smaller than " + std::to_string(needed) + " bytes");
    return request;
}

bool answerSmart(void* out, std::uint32_t outSize, const AtaAnswer& answer, std::uint32_t& bytesReturned,
                 std::uint32_t& error) {
    auto* bytes = static_cast<std::uint8_t*>(out);
    std::memset(bytes, 0, std::min(outSize, kOutHeaderSize));
    if (!answer.completed) {
        bytes[offsetof(lmx::SendCmdOutParams, DriverStatus) + offsetof(lmx::SmartDriverStatus, bDriverError)] =
            kSmartIdeError;
        bytes[offsetof(lmx::SendCmdOutParams, DriverStatus) + offsetof(lmx::SmartDriverStatus, bIDEError)] =
            answer.error();
        bytesReturned = kOutHeaderSize;
        error = platform::kErrorIoDevice;
        return false;
    }
    const auto length = static_cast<std::uint32_t>(answer.dataIn.size());
    lmx::storeLittleEndian(bytes, length);
    if (length > 0) std::memcpy(bytes + kOutHeaderSize, answer.dataIn.data(), length);
    bytesReturned = kOutHeaderSize + length;
    return true;
}

}  // namespace simulator
