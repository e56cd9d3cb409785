#pragma once
// What the service and the tray application both read from a controller's change between two
// records: the service writes its events by these rules, the tray raises its alerts by them.

#include <cstdint>

#include "common/controller_status_record.h"

namespace lmx {

// True when the present bit of some member drive slot (all three are compared) differs.
bool memberPresenceChanged(const ControllerStatusRecord& before, const ControllerStatusRecord& after);

// True when a rebuild (RAID status 2 or 3 before) ended in status 0 and the controller reports
// that it skipped sectors of the source drive it could not read.
bool rebuildEndedWithSkippedSectors(std::uint8_t statusBefore, const ControllerStatusRecord& after);

}  // namespace lmx
