#include "tray/app/monitor_switch.h"

#include "platform/command_interpreter.h"
#include "tray/app/string_source.h"
#include "tray/app/tray_icon_state.h"

namespace lmx::tray {

MonitorSwitchOutcome startMonitoring(bool serviceProcessRunning, const std::filesystem::path& programFolder) {
    if (serviceProcessRunning) return {strings::kMonitoringAlreadyStarted, false, std::nullopt, false};
    const auto exitCode = platform::runCommandInterpreter("monswitch start LMXDuowatch", programFolder);
    if (exitCode == 0) return {strings::kMonitoringStarted, false, std::nullopt, false};
    return {strings::kMonitoringStartFailed, true, std::nullopt, false};
}

MonitorSwitchOutcome stopMonitoring(bool serviceProcessRunning, const std::filesystem::path& programFolder) {
    if (!serviceProcessRunning) return {strings::kMonitoringAlreadyStopped, false, kIconServiceStopped, true};
    const auto exitCode = platform::runCommandInterpreter("monswitch stop LMXDuowatch", programFolder);
    if (exitCode == 0) return {strings::kMonitoringStopped, false, kIconServiceStopped, true};
    if (exitCode == 2) return {strings::kMonitoringAlreadyStopped, false, kIconServiceStopped, true};
    return {strings::kMonitoringStopFailed, true, kIconStopFailed, true};
}

}  // namespace lmx::tray
