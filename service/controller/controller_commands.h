#pragma once
// The controller commands besides the status pages: SMART enable, the controller clock, the
// vendor controls (verify start / stop / end, buzzer) and the mirror-log pages.

#include <cstdint>
#include <span>

#include "platform/system_time.h"
#include "service/controller/ata_transport.h"
#include "service/controller/identification.h"

namespace controller {

// SMART ENABLE OPERATIONS on the open drive: 0 or -1.
int enableSmart(Drive& drive);

// The SET DATE & TIME EXT value: milliseconds since 1970-01-01 00:00:00 UTC of a UTC FILETIME.
std::uint64_t controllerClockValue(std::uint64_t utcFileTime);
// SET DATE & TIME EXT with the current UTC time, on the open drive: 0 or -1.
int setControllerClock(Drive& drive);
// The clock step of a poll: a controller that reports its clock state is set until it reports
// it set; one that does not is set once per service run (tracked by `clockSet`).
void setClockIfDue(Drive& drive, int physicalNumber, const IdentifyFlags& flags, bool& clockSet);

// sendVendorControl: the legacy SMART request, then the ATA routes when it fails; opens and
// closes the drive itself. No result is reported.
void sendVendorControl(std::uint8_t code, int physicalNumber, bool presentAtLastPoll);

// readLogPage: page 0xF4 or 0xF5 of drive n, unchecked; opens and closes the drive itself.
bool readLogPage(std::uint8_t pageCode, int physicalNumber, bool presentAtLastPoll, std::span<std::uint8_t, 512> out);

}  // namespace controller
