// dwsvc: the monitoring service and its own installer.

#include <cstdio>
#include <string_view>

#include "common/product_version.h"
#include "platform/version_record.h"
#include "service/monitor/command_line.h"

LMX_DEFINE_VERSION_RECORD("LMX Duowatch Service", LMX_PRODUCT_VERSION, LMX_LEGAL_COPYRIGHT);

namespace {

// The service's start-up, wait loop, status reports and controls run with no monitoring
// threads behind them: this build has no controller access to poll with, so nothing is
// started and the stop and notify controls have no notifier to launch.
class NoMonitoringThreads final : public dwsvc::ServiceWorkers {
public:
    void startPipeServer(dwsvc::ServiceRuntime&) override {}
    void startPatrolThread(dwsvc::ServiceRuntime&) override {}
    void startPollingThread(dwsvc::ServiceRuntime&) override {}
    void stopAll(dwsvc::ServiceRuntime&) override {}
    bool launchNotifier(std::string_view) override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
    NoMonitoringThreads workers;
    return dwsvc::runCommandLine(argc, argv, stdout, workers);
}
