#include "platform/linux/ata_task_file.h"

namespace platform::sgio {

namespace {

constexpr std::uint8_t kStatusGood = 0x00;
constexpr std::uint8_t kStatusCheckCondition = 0x02;
constexpr std::uint8_t kAtaStatusDeviceFault = 0x20;

TaskFileResult notExpressed(const char* reason) {
    TaskFileResult result;
    result.reason = reason;
    return result;
}

}  // namespace

void buildTaskFileCommand(const lmx::AtaPassThroughDirect& request, std::uint8_t (&cdb)[16]) {
    lmx::fillAtaPassThrough16(request, cdb);
    cdb[lmx::kCdbTransfer] |= lmx::kCdbCheckCondition;
}

TaskFileResult readTaskFileResult(std::uint8_t scsiStatus, const std::uint8_t* sense, std::size_t senseLength,
                                  bool extendedCommand) {
    if (scsiStatus == kStatusGood) return notExpressed("GOOD without the registers");
    if (scsiStatus != kStatusCheckCondition) return notExpressed("SCSI status other than CHECK CONDITION");
    const auto key = senseKey(sense, senseLength);
    if (!key) return notExpressed("no sense data");
    const auto registers = ataStatusReturn(sense, senseLength, extendedCommand);
    if (!registers) return notExpressed("sense without the complete registers");
    TaskFileResult result;
    result.registers = *registers;
    if (senseKeyMeansSuccess(*key)) {
        result.outcome = TaskFileOutcome::Completed;
        return result;
    }
    if (registers->status() & (lmx::kAtaStatusErr | kAtaStatusDeviceFault)) {
        result.outcome = TaskFileOutcome::DeviceError;
        return result;
    }
    // libata failed the command although the device reported no error (a status with BSY or DRQ
    // still set, a time-out, a refused pass-through): no register set describes that.
    return notExpressed("failed without a device error");
}

void storeRegisters(const AtaRegisters& registers, bool extendedCommand, lmx::AtaPassThroughDirect& reply) {
    lmx::storeTaskFile(registers, extendedCommand, reply);
}

}  // namespace platform::sgio
