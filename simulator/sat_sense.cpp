#include "simulator/sat_sense.h"

namespace simulator {

namespace {

constexpr std::uint8_t kFixedCurrent = 0x70;
constexpr std::uint8_t kDescriptorCurrent = 0x72;
constexpr std::uint8_t kValidBit = 0x80;
constexpr std::uint8_t kFixedAdditionalLength = 10;
constexpr std::uint8_t kAtaStatusReturnDescriptor = 0x09;
constexpr std::uint8_t kAtaStatusReturnLength = 0x0C;

SenseData fixedSense(bool valid, SenseCode code, const std::optional<ReturnedRegisters>& registers) {
    SenseData sense;
    std::uint8_t* b = sense.bytes;
    b[0] = kFixedCurrent;
    b[2] = code.key & 0x0F;
    b[7] = kFixedAdditionalLength;
    b[12] = code.asc;
    b[13] = code.ascq;
    if (registers) {
        if (valid) b[0] |= kValidBit;
        b[3] = registers->error;
        b[4] = registers->status;
        b[5] = registers->device;
        b[6] = registers->count;
        const bool countUpper = registers->countHigh != 0;
        const bool lbaUpper = registers->lba24 != 0 || registers->lba32 != 0 || registers->lba40 != 0;
        b[8] = static_cast<std::uint8_t>((registers->extended ? 0x80 : 0) | (countUpper ? 0x40 : 0) |
                                         (lbaUpper ? 0x20 : 0));
        b[9] = registers->lbaLow;
        b[10] = registers->lbaMid;
        b[11] = registers->lbaHigh;
    }
    sense.length = 8 + kFixedAdditionalLength;
    return sense;
}

SenseData descriptorSense(SenseCode code, const std::optional<ReturnedRegisters>& registers) {
    SenseData sense;
    std::uint8_t* b = sense.bytes;
    b[0] = kDescriptorCurrent;
    b[1] = code.key & 0x0F;
    b[2] = code.asc;
    b[3] = code.ascq;
    if (registers) {
        b[7] = 2 + kAtaStatusReturnLength;
        b[8] = kAtaStatusReturnDescriptor;
        b[9] = kAtaStatusReturnLength;
        b[10] = registers->extended ? 0x01 : 0x00;
        b[11] = registers->error;
        b[12] = registers->countHigh;
        b[13] = registers->count;
        b[14] = registers->lba24;
        b[15] = registers->lbaLow;
        b[16] = registers->lba32;
        b[17] = registers->lbaMid;
        b[18] = registers->lba40;
        b[19] = registers->lbaHigh;
        b[20] = registers->device;
        b[21] = registers->status;
    }
    sense.length = static_cast<std::uint8_t>(8 + b[7]);
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
