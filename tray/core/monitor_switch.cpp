#include "tray/core/monitor_switch.h"

#include "common/monswitch_exit_codes.h"
#include "platform/command_interpreter.h"
#include "tray/core/string_source.h"
#include "tray/core/tray_icon_state.h"

namespace lmx::tray {

MonitorSwitchOutcome startMonitoring(bool serviceProcessRunning, const std::filesystem::path& programFolder) {
    if (serviceProcessRunning) return {strings::kMonitoringAlreadyStarted, false, std::nullopt, false};
    const auto exitCode = platform::runCommandInterpreter("monswitch start LMXDuowatch", programFolder);
    if (exitCode == monswitch::kDone) return {strings::kMonitoringStarted, false, std::nullopt, false};
    return {strings::kMonitoringStartFailed, true, std::nullopt, false};
}

MonitorSwitchOutcome stopMonitoring(bool serviceProcessRunning, const std::filesystem::path& programFolder) {
    if (!serviceProcessRunning) return {strings::kMonitoringAlreadyStopped, false, kIconServiceStopped, true};
    const auto exitCode = platform::runCommandInterpreter("monswitch stop LMXDuowatch", programFolder);
    if (exitCode == monswitch::kDone) return {strings::kMonitoringStopped, false, kIconServiceStopped, true};
    if (exitCode == monswitch::kAlreadyStopped) return {strings::kMonitoringAlreadyStopped, false, kIconServiceStopped, true};
    return {strings::kMonitoringStopFailed, true, kIconStopFailed, true};
}

}  // namespace lmx::tray
