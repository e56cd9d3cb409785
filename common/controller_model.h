#pragma once
// The controller model table: which model strings are supported controllers, their family,
// and which models report member-drive temperatures. The tray application and the firmware
// tool use the same strings.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace lmx {

enum class ControllerFamily : std::uint8_t {
    Zarkel = 0,
    ZarkelT = 1,
    Quessa = 2,
    Mollen = 3,
    MollenThreeSlot = 4,
};

// Member drive slots of a family: 3 for families 1 and 4, else 2.
std::size_t memberSlotCount(ControllerFamily family);
// Member drive slots of a model string: its family's when the model table matches it, else 2.
std::size_t memberSlotCount(std::string_view model);

// Vendor page layout of a family (families 1, 3 and 4 use the long layout).
bool usesLongPageLayout(ControllerFamily family);

struct ModelMatch {
    std::optional<ControllerFamily> family;  // empty when no table row matched
    bool supported = false;                  // a matched family-1 row is recognised, not supported
};

// Walks the model table in order; every row is a prefix comparison over the row's length.
ModelMatch matchControllerModel(std::string_view model);

// Member-drive temperatures are reported by these models.
bool isTemperatureModel(std::string_view model);
// The RAID information window offers its display-form setting for these models.
bool isDisplaySettingModel(std::string_view model);
// These models have a third member drive ("ZDA-JY", "Lumavex ZDAP-RS482", "Lumavex ZDA-RS482"):
// those whose family has three slots.
bool isThreeDriveModel(std::string_view model);

}  // namespace lmx
