#pragma once
// Starting and stopping the service through the outside program monswitch, run in the
// program's folder: which message (303-308) the frame shows, with which box icon, and which
// tray icon it sets.

#include <filesystem>
#include <optional>

namespace lmx::tray {

struct MonitorSwitchOutcome {
    int messageId = 0;
    bool errorIcon = false;           // the message box's icon: error, else information
    std::optional<int> trayIcon;      // stop only: the icon to set
    bool closeAllPopups = false;      // stop only
};

// 304 when the service process already runs; else "monswitch start LMXDuowatch": exit code 0
// → 303, anything else (or no interpreter) → 305.
MonitorSwitchOutcome startMonitoring(bool serviceProcessRunning, const std::filesystem::path& programFolder);

// 307 and icon 130 when the service process does not run; else "monswitch stop LMXDuowatch":
// 0 → 306 and 130, 2 → 307 and 130, anything else → 308 and 133 with the error icon. Every
// stop closes all alerts.
MonitorSwitchOutcome stopMonitoring(bool serviceProcessRunning, const std::filesystem::path& programFolder);

}  // namespace lmx::tray
