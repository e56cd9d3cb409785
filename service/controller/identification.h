#pragma once
// Who a drive is: IDENTIFY DEVICE, its integrity check, the model string and the model table.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "common/controller_model.h"
#include "service/controller/ata_transport.h"

namespace controller {

struct IdentifyFlags {
    bool smartEnabled = false;
    bool clockStateReported = false;
    bool clockIsSet = false;
};

using IdentifyData = std::array<std::uint8_t, 512>;

// Byte 510 is 0xA5 and the 8-bit sum of all 512 bytes is 0.
bool passesIdentifyIntegrity(std::span<const std::uint8_t, 512> data);
// The 40-character model string: words 27-46 with the bytes of each word swapped.
std::string identifyModel(std::span<const std::uint8_t, 512> data);
IdentifyFlags identifyFlags(std::span<const std::uint8_t, 512> data);

// identifyController on the open drive: 0 supported (family set), 1 the command failed or the
// data failed the integrity check, -1 unsupported model (a recognised unsupported row still
// records its family; an unknown model leaves `family` as it was).
int identifyController(Drive& drive, IdentifyFlags& flags, lmx::ControllerFamily& family);

}  // namespace controller
