#pragma once
// The running service's shared state: run flags, settings, the CSV base path, the four events
// that pace the threads, the status table and the status reporter. Flags and settings are
// atomics; the table guards itself.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/service_settings.h"
#include "platform/sync_event.h"
#include "service/monitor/status_reporter.h"
#include "service/monitor/status_table.h"

namespace dwsvc {

struct ServiceRuntime;

// The service's threads and the notifier launch. The start-up sequence and the control handler
// call these; the monitoring threads and the notifier are built on this seam.
class ServiceWorkers {
public:
    virtual ~ServiceWorkers() = default;
    virtual void startPipeServer(ServiceRuntime& runtime) = 0;
    virtual void startPatrolThread(ServiceRuntime& runtime) = 0;
    virtual void startPollingThread(ServiceRuntime& runtime) = 0;
    // Ends and joins the threads once the main wait loop has left.
    virtual void stopAll(ServiceRuntime& runtime) = 0;
    // Starts the notifier in the active user session with "SVC_NOTIFY" or "SVC_STOP".
    virtual bool launchNotifier(std::string_view word) = 0;
};

struct ServiceRuntime {
    explicit ServiceRuntime(ServiceWorkers& workers);

    ServiceWorkers& workers;

    std::atomic<bool> running{true};
    std::atomic<bool> ready{false};
    std::atomic<bool> notifyRequested{false};

    std::atomic<std::uint32_t> language{lmx::kLanguageJapanese};
    std::atomic<std::uint32_t> intervalMilliseconds{lmx::kDefaultIntervalMilliseconds};
    std::atomic<std::uint32_t> temperatureSetting{lmx::kDefaultTemperatureSetting};
    std::atomic<std::uint32_t> patrolSetting{lmx::kDefaultPatrolSetting};
    std::atomic<std::uint64_t> nextPatrolTime{0};

    // Fixed by the start-up sequence before any worker thread starts; read-only afterwards.
    std::string csvBasePath;
    std::string metricsFolder;  // empty: no metrics file

    platform::SyncEvent stopEvent{platform::SyncEvent::Reset::Manual};
    platform::SyncEvent changeEvent{platform::SyncEvent::Reset::Automatic};
    platform::SyncEvent patrolEvent{platform::SyncEvent::Reset::Automatic};
    platform::SyncEvent pollEvent{platform::SyncEvent::Reset::Automatic};
    // Set by the polling thread at the end of every cycle, so that the main wait loop measures
    // the next wait from the end of the poll it asked for.
    platform::SyncEvent cycleDoneEvent{platform::SyncEvent::Reset::Automatic};
    // Set once the stop control has done its work (the notifier launched, ServiceRunning
    // cleared), so that the final STOPPED report comes after it.
    platform::SyncEvent stopHandledEvent{platform::SyncEvent::Reset::Manual};

    StatusTable table;
    StatusReporter reporter;

    // Asks the service manager to deliver the notify control (128) to this service, whose
    // handler then launches the notifier. Replaced in tests.
    std::function<void()> sendNotifyControl;
};

}  // namespace dwsvc
