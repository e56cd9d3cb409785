#include "service/monitor/poll_cycle.h"

#include <cstdio>
#include <string>

#include "common/controller_model.h"
#include "common/service_settings.h"
#include "common/status_change.h"
#include "platform/event_log.h"
#include "platform/system_info.h"
#include "service/monitor/event_ids.h"
#include "service/monitor/event_writer.h"
#include "service/monitor/metrics_export.h"
#include "service/monitor/registry_keeper.h"
#include "service/monitor/settings_store.h"
#include "service/monitor/temperature_log.h"

namespace dwsvc {

namespace {

using platform::eventlog::kErrorType;
using platform::eventlog::kInformationType;
using platform::eventlog::kWarningType;

struct StatusEvent {
    std::uint32_t base;
    std::uint16_t type;
};

// The status-change event for a new RAID status; undefined values above 3 count as an error.
StatusEvent statusChangeEvent(std::uint8_t raidStatus) {
    switch (raidStatus) {
        case lmx::kRaidNormal: return {kEventStatusNormal, kInformationType};
        case lmx::kRaidRebuilding: return {kEventStatusRebuilding, kInformationType};
        case lmx::kRaidRebuildStopped: return {kEventStatusRebuildStopped, kInformationType};
        default: return {kEventStatusError, kWarningType};
    }
}

class CycleEvents {
public:
    explicit CycleEvents(const ServiceRuntime& runtime) : runtime_(runtime) {}
    void write(std::uint32_t base, std::uint16_t type, const lmx::ControllerStatusRecord& record) {
        EventTextContext context;
        context.temperatureSetting = runtime_.temperatureSetting;
        writeComposedEvent(runtime_.language, &record, base + record.physicalNumber, type, context);
    }

private:
    const ServiceRuntime& runtime_;
};

// The temperature alarm of one answered controller; true when it raised an event.
bool checkTemperature(ServiceRuntime& runtime, CycleEvents& events, const lmx::ControllerStatusRecord& record) {
    const lmx::TemperatureAlarm alarm = lmx::decodeTemperatureSetting(runtime.temperatureSetting);
    const std::string_view model = lmx::fieldText(record.raidModel);
    if (!lmx::isTemperatureModel(model) || !alarm.enabled) return false;
    bool over = false;
    for (std::size_t k = 0; k < lmx::memberSlotCount(model); ++k) {
        over = over || (record.drive[k].temperatureValid && record.drive[k].temperature >= alarm.thresholdCelsius);
    }
    const int n = record.physicalNumber;
    bool raised = false;
    if (over && !runtime.table.overTemperature(n)) {
        events.write(kEventOverTemperature, kWarningType, record);
        runtime.table.setOverTemperature(n, true);
        raised = true;
    } else if (!over) {
        runtime.table.setOverTemperature(n, false);
    }
    appendTemperatureLine(runtime.csvBasePath, record, platform::systemInfo().localTime());
    return raised;
}

// The debug line that says what the poll of drive n came to.
std::string pollResultLine(int n, int result, int retriesLeft) {
    char line[96];
    if (result == controller::kPollRecordFilled) {
        std::snprintf(line, sizeof line, "Poll of drive %d: controller answered.", n);
    } else if (result == controller::kPollNoProperAnswer && retriesLeft >= 0) {
        std::snprintf(line, sizeof line, "Poll of drive %d: no proper answer, %d retries left.", n, retriesLeft);
    } else if (result == controller::kPollNoProperAnswer) {
        std::snprintf(line, sizeof line, "Poll of drive %d: no proper answer, retries used up: taken as absent.", n);
    } else {
        std::snprintf(line, sizeof line, "Poll of drive %d: no controller.", n);
    }
    return line;
}

}  // namespace

void pollCycle(ServiceRuntime& runtime, ControllerPoller& poller) {
    int ordinal = 0;
    bool anyChange = false;
    CycleEvents events(runtime);
    platform::debugOutput("Poll cycle begins.");
    for (int n = 0; n < lmx::kPhysicalDriveCount; ++n) {
        const lmx::ControllerStatusRecord old = runtime.table.record(n);
        lmx::ControllerStatusRecord fresh;
        lmx::clearRecord(fresh);
        bool clockSet = runtime.table.clockSet(n);
        lmx::ControllerFamily family = lmx::ControllerFamily::Zarkel;
        controller::PollContext context{ordinal, old.present == 1, clockSet, family};
        // What the poll writes (page checks, transport errors) follows the line with its result.
        platform::DebugOutputHold pollLines;
        int result = poller.poll(n, fresh, context);
        runtime.table.setClockSet(n, clockSet);

        if (result == controller::kPollNoProperAnswer) {
            const int retries = runtime.table.retryCounter(n);
            pollLines.release(pollResultLine(n, result, retries - 1));
            if (retries > 0) {
                runtime.table.setRetryCounter(n, retries - 1);
                continue;
            }
            result = controller::kPollNoController;  // retries exhausted: treated as absent
        } else {
            pollLines.release(pollResultLine(n, result, 0));
        }

        bool rowChanged = false;
        runtime.table.setRetryCounter(n, kFullRetryCount);
        if (result != controller::kPollRecordFilled) {
            if (!old.present) continue;
            events.write(kEventControllerLost, kErrorType, old);
            // What a failed poll left in the record is not the controller's state: the published
            // record of a lost controller is empty but for its drive number.
            lmx::clearRecord(fresh);
            fresh.physicalNumber = static_cast<std::uint8_t>(n);
            rowChanged = true;
        } else if (!old.present) {
            events.write(kEventControllerFound, kInformationType, fresh);
            rowChanged = true;
        } else {
            if (fresh.raidStatus != old.raidStatus || lmx::memberPresenceChanged(old, fresh)) {
                const auto event = statusChangeEvent(fresh.raidStatus);
                events.write(event.base, event.type, fresh);
                if (lmx::rebuildEndedWithSkippedSectors(old.raidStatus, fresh)) {
                    events.write(kEventUnreadableSectors, kWarningType, fresh);
                }
                rowChanged = true;
            } else {
                rowChanged = !lmx::sameRecord(old, fresh);
            }
            if (checkTemperature(runtime, events, fresh)) rowChanged = true;
        }
        if (!rowChanged) continue;
        anyChange = true;
        publishRecord(fresh);
        runtime.table.setRecord(n, fresh);
    }
    // A registry started afresh under the service gets the service's key back; settings
    // accepted while the registry could not be written are written once it can.
    restoreServiceKeyIfLost(runtime.language);
    writePendingSettings();
    // So are entries the event log could not take.
    eventBacklog().flush();
    platform::debugOutput(anyChange ? "Poll cycle ends: changes published." : "Poll cycle ends: nothing changed.");
    if (runtime.notifyRequested.exchange(false) || anyChange) runtime.sendNotifyControl();
    // A stop under way is not overridden by the end-of-cycle report.
    if (runtime.running) runtime.reporter.report(platform::kServiceRunning, 0, 0);
}

void runPollingThread(ServiceRuntime& runtime, ControllerPoller& poller) {
    MetricsWriter metrics;
    pollCycle(runtime, poller);
    metrics.write(runtime);
    runtime.cycleDoneEvent.set();
    while (platform::waitForAny({&runtime.pollEvent, &runtime.stopEvent}, platform::kInfinite) == platform::kWaitObject0) {
        pollCycle(runtime, poller);
        metrics.write(runtime);
        runtime.cycleDoneEvent.set();
    }
}

}  // namespace dwsvc
