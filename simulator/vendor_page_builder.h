#pragma once
// The vendor pages a simulated controller answers, laid out for its family.

#include <cstdint>
#include <optional>

#include "simulator/drive_description.h"
#include "simulator/identify_data.h"

namespace simulator {

// The page `pageCode` of a controller, or empty for a page the controller does not have (the
// read is then aborted). Pages listed in the broken-frame faults carry a wrong trailer.
std::optional<Sector> buildVendorPage(const DriveDescription& drive, std::uint8_t pageCode);

// The content of a mirror log page nobody has set: the bytes count up from the page code.
Sector defaultMirrorLog(std::uint8_t pageCode);

}  // namespace simulator
