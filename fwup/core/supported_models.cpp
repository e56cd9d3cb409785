#include <array>
#include <string_view>

#include "fwup/core/drive_accessor.h"

namespace fwup {

namespace {

// The controllers the tool updates, by the start of their model string, in the order they are
// tried. The tool keeps this table of its own, apart from the service's model families.
constexpr std::array<std::string_view, 8> kSupportedModelPrefixes = {
    "ZDA-JW",
    "ZDA-JY",
    "ZDA-GX",
    "Lumavex ZDAP-RS",
    "Lumavex ZDAP-RQ",
    "Lumavex ZDA-RS",
    "Lumavex ZDA-RQ",
    "Lumavex VBIN-Duplex     ZDA-GX",
};

}  // namespace

bool DriveAccessor::is_supported_model(std::string_view model) {
    for (const std::string_view prefix : kSupportedModelPrefixes) {
        if (model.starts_with(prefix)) return true;
    }
    return false;
}

}  // namespace fwup
