#pragma once
// The poll cycle: poll drives 0 to 5, compare each new record with the one held, write the
// events that matter, publish changed records, count down controllers that stop answering,
// watch member temperatures, and wake the tray application when anything changed.

#include "common/controller_status_record.h"
#include "service/controller/status_queries.h"
#include "service/monitor/service_runtime.h"

namespace dwsvc {

// What the cycle asks of the controllers: pollController over the real drives in the service,
// something scripted in tests.
class ControllerPoller {
public:
    virtual ~ControllerPoller() = default;
    virtual int poll(int physicalNumber, lmx::ControllerStatusRecord& record, controller::PollContext& context) = 0;
};

class DrivePoller final : public ControllerPoller {
public:
    int poll(int physicalNumber, lmx::ControllerStatusRecord& record, controller::PollContext& context) override {
        return controller::pollController(physicalNumber, record, context);
    }
};

void pollCycle(ServiceRuntime& runtime, ControllerPoller& poller);

// The polling thread's body: a cycle at once, then one per poll event, until the stop event.
// Every finished cycle sets the runtime's cycle-done event.
void runPollingThread(ServiceRuntime& runtime, ControllerPoller& poller);

}  // namespace dwsvc
