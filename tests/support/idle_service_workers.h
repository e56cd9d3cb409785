#pragma once
// A service without worker threads: for tests and benchmarks that drive the service's parts
// (poll cycle, patrol, pipe requests) themselves.

#include <string_view>

#include "service/monitor/service_runtime.h"

namespace lmx::testing {

class IdleServiceWorkers final : public dwsvc::ServiceWorkers {
public:
    void startPipeServer(dwsvc::ServiceRuntime&) override {}
    void startPatrolThread(dwsvc::ServiceRuntime&) override {}
    void startPollingThread(dwsvc::ServiceRuntime&) override {}
    void stopAll(dwsvc::ServiceRuntime&) override {}
    bool launchNotifier(std::string_view) override { return false; }
};

}  // namespace lmx::testing
