#pragma once
// Changing one field of a drive's JSON document by its dotted name ("raid.status",
// "members.1.temperature", "overrides.E5"), the value given as text the way a command line
// gives it.

#include <string_view>

#include "simulator/drive_json.h"

namespace simulator {

// The text is converted to the type the field has now: a number (decimal or 0x hex), true/false
// (also yes/no, on/off, 1/0), a string, or a comma-separated list for a list of strings; "null"
// clears a field that may be empty. Fields must exist, except new page keys under "overrides".
// Throws SimulatorError; the document is then unchanged.
void assignField(DriveJson& document, std::string_view name, std::string_view text);

}  // namespace simulator
