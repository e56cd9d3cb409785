#pragma once
// reportStatus: the service's one status record, its checkpoint counter, and the start and
// stop events that go with the START_PENDING and STOPPED reports. Reports from the handler's
// thread and the service's threads are serialised.

#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/service_types.h"

namespace dwsvc {

class StatusReporter {
public:
    using Sink = std::function<bool(const platform::ServiceStatus&)>;
    // Writes the monitoring-started (START_PENDING) or monitoring-stopped (STOPPED) event.
    using LifecycleEventWriter = std::function<void(std::uint32_t state)>;

    explicit StatusReporter(LifecycleEventWriter lifecycleEvents);

    // Where reports go (SetServiceStatus with the handler's status handle).
    void attach(Sink sink);

    void report(std::uint32_t state, std::uint32_t exitCode, std::uint32_t waitHint);
    // Reports the stored state again (interrogate, shutdown, control 128, end of a poll cycle).
    void reportCurrent();
    // Changes the stored state without a report (the stop control).
    void setStoredState(std::uint32_t state);

    platform::ServiceStatus status() const;

private:
    void reportLocked(std::uint32_t state, std::uint32_t exitCode, std::uint32_t waitHint);

    mutable std::mutex lock_;
    platform::ServiceStatus status_;
    std::uint32_t checkpoint_ = 1;
    Sink sink_;
    LifecycleEventWriter lifecycleEvents_;
};

}  // namespace dwsvc
