#pragma once
// A controller status record as JSON, for scripts: every field of the record under its own
// name, text fields trimmed as shown, numbers as numbers, the member slots as the array "drive".

#include <array>
#include <string>

#include <nlohmann/json.hpp>

#include "common/controller_status_record.h"

namespace lmxpipe {

nlohmann::ordered_json recordJson(const lmx::ControllerStatusRecord& record);

// The six records as one JSON array, dumped with an indentation of 2 (invalid UTF-8 in a
// controller's texts replaced, never refused).
std::string statusTableJson(const std::array<lmx::ControllerStatusRecord, lmx::kPhysicalDriveCount>& records);

}  // namespace lmxpipe
