#pragma once
// Which tray icon shows which state.

#include <array>
#include <cstdint>

#include "common/controller_status_record.h"

namespace lmx::tray {

inline constexpr int kIconAllWell = 129;        // controllers present, none abnormal or stopped
inline constexpr int kIconServiceStopped = 130; // no service process; also at creation and after a stop
inline constexpr int kIconAttention = 132;      // some present controller has status 1 or 3
inline constexpr int kIconStopFailed = 133;     // the last stop request failed
inline constexpr int kIconNoController = 134;   // the service runs, no controller present

// What the icon walk reads of a kept packet.
struct SlotSummary {
    std::uint8_t present = 0;
    std::uint8_t raidStatus = 0;
};
using SlotSummaries = std::array<SlotSummary, kPhysicalDriveCount>;

// The worker thread's once-a-second walk: 130 without the service process; else 134, turned
// 129 by the first present controller, and 132 at the first present one with status 1 or 3.
int trayIconFor(bool serviceProcessRunning, const SlotSummaries& slots);

}  // namespace lmx::tray
