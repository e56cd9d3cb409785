#include "service/monitor/status_reporter.h"

namespace dwsvc {

StatusReporter::StatusReporter(LifecycleEventWriter lifecycleEvents) : lifecycleEvents_(std::move(lifecycleEvents)) {}

void StatusReporter::attach(Sink sink) {
    std::lock_guard lock(lock_);
    sink_ = std::move(sink);
}

void StatusReporter::report(std::uint32_t state, std::uint32_t exitCode, std::uint32_t waitHint) {
    std::lock_guard lock(lock_);
    reportLocked(state, exitCode, waitHint);
}

void StatusReporter::reportCurrent() {
    std::lock_guard lock(lock_);
    reportLocked(status_.currentState, status_.win32ExitCode, status_.waitHint);
}

void StatusReporter::setStoredState(std::uint32_t state) {
    std::lock_guard lock(lock_);
    status_.currentState = state;
}

platform::ServiceStatus StatusReporter::status() const {
    std::lock_guard lock(lock_);
    return status_;
}

void StatusReporter::reportLocked(std::uint32_t state, std::uint32_t exitCode, std::uint32_t waitHint) {
    status_.serviceType = platform::kServiceWin32OwnProcess;
    status_.currentState = state;
    status_.win32ExitCode = exitCode;
    status_.serviceSpecificExitCode = 0;
    status_.waitHint = waitHint;
    status_.controlsAccepted = state == platform::kServiceStartPending ? 0 : platform::kServiceAcceptStop;
    if (state == platform::kServiceRunning || state == platform::kServiceStopped) {
        status_.checkPoint = 0;
    } else {
        status_.checkPoint = checkpoint_++;
    }
    if ((state == platform::kServiceStopped || state == platform::kServiceStartPending) && lifecycleEvents_) {
        lifecycleEvents_(state);
    }
    if (sink_) sink_(status_);
}

}  // namespace dwsvc
