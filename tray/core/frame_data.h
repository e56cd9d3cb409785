#pragma once
// The frame's tables of the service's records and the comparison that decides which alerts
// to raise: the first data load and the refresh-and-compare step after each notification.
// Plain data and functions; the frame runs them on its window thread.

#include <array>
#include <cstdint>
#include <vector>

#include "common/controller_status_record.h"
#include "tray/core/service_pipe_client.h"

namespace lmx::tray {

struct FrameData {
    PacketTable currentPackets{};  // as received by the last status request
    PacketTable keptPackets{};     // the state last compared and accepted
    std::array<bool, kPhysicalDriveCount> overTempShown{};
    bool dataInitialized = false;  // set by the first successful load, never reset
};

// One call of the frame's showPopup: the packet (a copy of the kept one, status 255 for a lost
// controller), the icon class and the slot's RAID status before the change.
struct PopupRaise {
    int slot = 0;
    ControllerStatusRecord packet{};
    int iconClass = 0;
    std::uint8_t oldStatus = 0;
};

struct CompareResult {
    std::vector<PopupRaise> raises;  // in slot order
    bool changed = false;            // the forms must refresh
};

// True when some member drive of the packet has a valid temperature at or above the
// threshold, the alarm is enabled and the model reports temperatures.
bool isOverTemperature(const ControllerStatusRecord& packet, std::uint32_t temperatureSetting);

// After a successful status request: every current packet becomes the kept one; a present
// controller with a non-zero status raises an alert. Sets dataInitialized.
std::vector<PopupRaise> applyFirstLoad(FrameData& data);

// After a notification's status request (whatever its result): compares each slot's current
// packet with the kept one, accepts it, and raises alerts for a lost controller, a new one, a
// change of RAID status or of a member drive's present bit, and a crossing of the temperature
// threshold (once until it falls below again). Nothing at all before the first load.
CompareResult refreshAndCompare(FrameData& data, std::uint32_t temperatureSetting);

}  // namespace lmx::tray
