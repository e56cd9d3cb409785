#pragma once
// The file form of a simulated drive: JSON, every field written out, unknown fields refused.

#include <nlohmann/json.hpp>

#include "simulator/drive_description.h"

namespace simulator {

// Fields keep the order they are written in, so that a drive file reads top-down.
using DriveJson = nlohmann::ordered_json;

// Every field of the description; numbers that read better in hex are "0x…" strings.
DriveJson toJson(const DriveDescription& drive);

// Reads a description; missing fields take their defaults (a controller's from its model).
// Throws SimulatorError naming the offending field.
DriveDescription fromJson(const DriveJson& document);

}  // namespace simulator
