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
        b[layout::kFixedError] = registers->registers.error();
        b[layout::kFixedStatus] = registers->registers.status();
        b[layout::kFixedDevice] = registers->registers.device;
        b[layout::kFixedCount] = registers->registers.count;
        const bool countUpper = registers->registers.countHigh != 0;
        const bool lbaUpper = registers->registers.lba24 != 0 || registers->registers.lba32 != 0 || registers->registers.lba40 != 0;
        b[layout::kFixedExtensionFlags] = static_cast<std::uint8_t>((registers->extended ? layout::kFixedExtendedBit : 0) |
                                                                    (countUpper ? layout::kFixedCountUpperBit : 0) |
                                                                    (lbaUpper ? layout::kFixedLbaUpperBit : 0));
        b[layout::kFixedLbaLow] = registers->registers.lbaLow;
        b[layout::kFixedLbaMid] = registers->registers.lbaMid;
        b[layout::kFixedLbaHigh] = registers->registers.lbaHigh;
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
        ata[layout::kReturnError] = registers->registers.error();
        ata[layout::kReturnCountHigh] = registers->registers.countHigh;
        ata[layout::kReturnCount] = registers->registers.count;
        ata[layout::kReturnLba24] = registers->registers.lba24;
        ata[layout::kReturnLbaLow] = registers->registers.lbaLow;
        ata[layout::kReturnLba32] = registers->registers.lba32;
        ata[layout::kReturnLbaMid] = registers->registers.lbaMid;
        ata[layout::kReturnLba40] = registers->registers.lba40;
        ata[layout::kReturnLbaHigh] = registers->registers.lbaHigh;
        ata[layout::kReturnDevice] = registers->registers.device;
        ata[layout::kReturnStatus] = registers->registers.status();
    }
    sense.length = static_cast<std::uint8_t>(layout::kFirstDescriptor + b[layout::kDescriptorAdditionalLength]);
    return sense;
}

}  // namespace

ReturnedRegisters returnedRegisters(const AtaRequest& request, const AtaAnswer& answer) {
    ReturnedRegisters returned;
    returned.extended = request.extended;
    returned.registers = request.registers;
    returned.registers.features = answer.error();
    returned.registers.command = answer.status();
    returned.registers.featuresHigh = 0;
    return returned;
}

SenseData buildSense(SenseFormat format, bool valid, SenseCode code,
                     const std::optional<ReturnedRegisters>& registers) {
    return format == SenseFormat::Fixed ? fixedSense(valid, code, registers) : descriptorSense(code, registers);
}

}  // namespace simulator
