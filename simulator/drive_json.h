#pragma once
// The file form of a simulated drive: JSON, every field written out, unknown fields refused.

#include <nlohmann/json.hpp>

#include "simulator/drive_description.h"

namespace simulator {

// Every field of the description; numbers that read better in hex are "0x…" strings.
nlohmann::json toJson(const DriveDescription& drive);

// Reads a description; missing fields take their defaults (a controller's from its model).
// Throws SimulatorError naming the offending field.
DriveDescription fromJson(const nlohmann::json& document);

}  // namespace simulator
