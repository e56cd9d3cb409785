#include "service/controller/identification.h"

#include <numeric>

#include "common/vendor_pages.h"

namespace controller {

namespace pages = lmx::pages;

bool passesIdentifyIntegrity(std::span<const std::uint8_t, 512> data) {
    const unsigned sum = std::accumulate(data.begin(), data.end(), 0u);
    return data[pages::kIdentifySignature] == pages::kIdentifySignatureValue && (sum & 0xFF) == 0;
}

std::string identifyModel(std::span<const std::uint8_t, 512> data) {
    std::string model(pages::kIdentifyModelLength, '\0');
    for (std::size_t i = 0; i < pages::kIdentifyModelLength; i += 2) {
        model[i] = static_cast<char>(data[pages::kIdentifyModel + i + 1]);
        model[i + 1] = static_cast<char>(data[pages::kIdentifyModel + i]);
    }
    return model;
}

IdentifyFlags identifyFlags(std::span<const std::uint8_t, 512> data) {
    IdentifyFlags flags;
    flags.smartEnabled = data[pages::kIdentifySmartEnabled] & 0x01;
    flags.clockStateReported = (data[pages::kIdentifyClockReported1] & 0x80) && (data[pages::kIdentifyClockReported2] & 0x01);
    flags.clockIsSet = flags.clockStateReported && (data[pages::kIdentifyClockIsSet] & 0x01);
    return flags;
}

int identifyController(Drive& drive, IdentifyFlags& flags, lmx::ControllerFamily& family) {
    flags = {};
    IdentifyData data{};
    lmx::AtaRegisters registers;
    registers.device = pages::kDeviceDefault;
    registers.command = pages::kCommandIdentify;
    auto request = makeAtaRequest(registers, lmx::kAtaFlagsDataIn, data.size(), data.data());
    lmx::AtaPassThroughDirect reply;
    if (!sendAtaCommand(drive, request, reply, false, data.data())) return 1;
    if (!passesIdentifyIntegrity(data)) return 1;

    const auto match = lmx::matchControllerModel(identifyModel(data));
    if (match.family) family = *match.family;
    flags = identifyFlags(data);
    return match.supported ? 0 : -1;
}

}  // namespace controller
