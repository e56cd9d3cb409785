#include "simulator/sat_sense.h"

namespace simulator {

namespace {

namespace layout = lmx::sense;

SenseData fixedSense(bool valid, SenseCode code, const std::optional<ReturnedRegisters>& registers) {
    SenseData sense;
    std::uint8_t* b = sense.bytes;
    b[layout::kResponseCode] = layout::kFixedCurrent;
    b[layout::kFixedSenseKey] = code.key & layout::kSenseKeyMask;
    b[layout::kFixedAdditionalLength] = layout::kFixedAdditionalLengthValue;
    b[layout::kFixedAsc] = code.asc;
    b[layout::kFixedAscq] = code.ascq;
    if (registers) {
        if (valid) b[layout::kResponseCode] |= layout::kValidBit;
        b[layout::kFixedError] = registers->error;
        b[layout::kFixedStatus] = registers->status;
        b[layout::kFixedDevice] = registers->device;
        b[layout::kFixedCount] = registers->count;
        const bool countUpper = registers->countHigh != 0;
        const bool lbaUpper = registers->lba24 != 0 || registers->lba32 != 0 || registers->lba40 != 0;
        b[layout::kFixedExtensionFlags] = static_cast<std::uint8_t>((registers->extended ? layout::kFixedExtendedBit : 0) |
                                                                    (countUpper ? layout::kFixedCountUpperBit : 0) |
                                                                    (lbaUpper ? layout::kFixedLbaUpperBit : 0));
        b[layout::kFixedLbaLow] = registers->lbaLow;
        b[layout::kFixedLbaMid] = registers->lbaMid;
        b[layout::kFixedLbaHigh] = registers->lbaHigh;
    }
    sense.length = layout::kFixedSenseLength;
    return sense;
}

SenseData descriptorSense(SenseCode code, const std::optional<ReturnedRegisters>& registers) {
    SenseData sense;
    std::uint8_t* b = sense.bytes;
    b[layout::kResponseCode] = layout::kDescriptorCurrent;
    b[layout::kDescriptorSenseKey] = code.key & layout::kSenseKeyMask;
    b[layout::kDescriptorAsc] = code.asc;
    b[layout::kDescriptorAscq] = code.ascq;
    if (registers) {
        b[layout::kDescriptorAdditionalLength] = sizeof(layout::AtaStatusReturn);
        std::uint8_t* ata = b + layout::kFirstDescriptor;
        ata[layout::kReturnCode] = layout::kAtaStatusReturnDescriptor;
        ata[layout::kReturnLength] = layout::kAtaStatusReturnLength;
        ata[layout::kReturnExtend] = registers->extended ? layout::kReturnExtendBit : 0x00;
        ata[layout::kReturnError] = registers->error;
        ata[layout::kReturnCountHigh] = registers->countHigh;
        ata[layout::kReturnCount] = registers->count;
        ata[layout::kReturnLba24] = registers->lba24;
        ata[layout::kReturnLbaLow] = registers->lbaLow;
        ata[layout::kReturnLba32] = registers->lba32;
        ata[layout::kReturnLbaMid] = registers->lbaMid;
        ata[layout::kReturnLba40] = registers->lba40;
        ata[layout::kReturnLbaHigh] = registers->lbaHigh;
        ata[layout::kReturnDevice] = registers->device;
        ata[layout::kReturnStatus] = registers->status;
    }
    sense.length = static_cast<std::uint8_t>(layout::kFirstDescriptor + b[layout::kDescriptorAdditionalLength]);
    return sense;
}

}  // namespace

ReturnedRegisters returnedRegisters(const AtaRequest& request, const AtaAnswer& answer) {
    ReturnedRegisters registers;
    registers.extended = request.extended;
    registers.error = answer.error();
    registers.status = answer.status();
    registers.device = request.device();
    registers.count = request.count();
    registers.lbaLow = request.lbaLow();
    registers.lbaMid = request.lbaMid();
    registers.lbaHigh = request.lbaHigh();
    if (request.extended) {
        registers.countHigh = request.previous[lmx::kTaskSectorCount];
        registers.lba24 = request.previous[lmx::kTaskLbaLow];
        registers.lba32 = request.previous[lmx::kTaskLbaMid];
        registers.lba40 = request.previous[lmx::kTaskLbaHigh];
    }
    return registers;
}

SenseData buildSense(SenseFormat format, bool valid, SenseCode code,
                     const std::optional<ReturnedRegisters>& registers) {
    return format == SenseFormat::Fixed ? fixedSense(valid, code, registers) : descriptorSense(code, registers);
}

}  // namespace simulator
