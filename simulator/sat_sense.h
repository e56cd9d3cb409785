#pragma once
// Sense data of a CHECK CONDITION on the SAT route, in fixed (0x70) or descriptor (0x72)
// format, with the returned ATA registers where there are any.

#include <cstdint>
#include <optional>

#include "common/ata_pass_through.h"
#include "common/sense_data.h"
#include "simulator/ata_request.h"
#include "simulator/drive_description.h"

namespace simulator {

// The sense keys and the layout are common/sense_data.h's; these are the additional sense
// codes the simulator answers with.
inline constexpr std::uint8_t kAscInvalidOperationCode = 0x20;
inline constexpr std::uint8_t kAscInvalidFieldInCdb = 0x24;
inline constexpr std::uint8_t kAscqAtaInformationAvailable = 0x1D;  // with ASC 0x00

// The ATA registers after a command: the request's registers echoed, with the error and
// status registers of the answer; `extended` for a 48-bit command.
struct ReturnedRegisters {
    bool extended = false;
    lmx::AtaRegisters registers;
};

ReturnedRegisters returnedRegisters(const AtaRequest& request, const AtaAnswer& answer);

struct SenseCode {
    std::uint8_t key = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
};

struct SenseData {
    std::uint8_t bytes[32] = {};
    std::uint8_t length = 0;  // bytes that carry sense data
};

SenseData buildSense(SenseFormat format, bool valid, SenseCode code, const std::optional<ReturnedRegisters>& registers);

}  // namespace simulator
