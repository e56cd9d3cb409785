#include "common/controller_model.h"

#include <array>
#include <span>

namespace lmx {

namespace {

struct ModelRow {
    std::string_view prefix;
    ControllerFamily family;
    bool supported;
};

constexpr std::array<ModelRow, 9> kModelTable = {{
    {"ZDA-JW", ControllerFamily::Zarkel, true},
    {"Lumavex VBIN-Duplex     ZDA-JW", ControllerFamily::Zarkel, true},
    {"ZDA-JY", ControllerFamily::ZarkelT, false},
    {"ZDA-GX", ControllerFamily::Quessa, true},
    {"Lumavex VBIN-Duplex     ZDA-GX", ControllerFamily::Quessa, true},
    {"Lumavex ZDAP-RS481", ControllerFamily::Mollen, true},
    {"Lumavex ZDA-RS481", ControllerFamily::Mollen, true},
    {"Lumavex ZDAP-RS482", ControllerFamily::MollenThreeSlot, true},
    {"Lumavex ZDA-RS482", ControllerFamily::MollenThreeSlot, true},
}};

constexpr std::string_view kNoTemperatureModel = "Lumavex ZDAP-RS481B-H2";
constexpr std::array<std::string_view, 5> kTemperatureModels = {
    "Lumavex VBIN-Duplex     ZDA-JW", "Lumavex VBIN-Duplex     ZDA-GX", "ZDA-GX460-TT3",
    "Lumavex ZDA-RS",                 "Lumavex ZDAP-RS",
};

constexpr std::array<std::string_view, 2> kDisplaySettingModels = {"Lumavex ZDAP-RS", "Lumavex ZDA-RS"};

bool startsWithAny(std::string_view model, std::span<const std::string_view> prefixes) {
    for (std::string_view prefix : prefixes) {
        if (model.starts_with(prefix)) return true;
    }
    return false;
}

}  // namespace

std::size_t memberSlotCount(ControllerFamily family) {
    return family == ControllerFamily::ZarkelT || family == ControllerFamily::MollenThreeSlot ? 3 : 2;
}

std::size_t memberSlotCount(std::string_view model) {
    const ModelMatch match = matchControllerModel(model);
    return match.family ? memberSlotCount(*match.family) : 2;
}

bool usesLongPageLayout(ControllerFamily family) {
    return family == ControllerFamily::ZarkelT || family == ControllerFamily::Mollen ||
           family == ControllerFamily::MollenThreeSlot;
}

ModelMatch matchControllerModel(std::string_view model) {
    for (const ModelRow& row : kModelTable) {
        if (model.starts_with(row.prefix)) return {row.family, row.supported};
    }
    return {};
}

bool isTemperatureModel(std::string_view model) {
    return !model.starts_with(kNoTemperatureModel) && startsWithAny(model, kTemperatureModels);
}

bool isDisplaySettingModel(std::string_view model) {
    return !model.starts_with(kNoTemperatureModel) && startsWithAny(model, kDisplaySettingModels);
}

bool isThreeDriveModel(std::string_view model) { return memberSlotCount(model) == 3; }

}  // namespace lmx
