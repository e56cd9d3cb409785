#include "service/monitor/service_main.h"

#include <cstdio>

#include "common/service_settings.h"
#include "platform/event_log.h"
#include "platform/log_folder.h"
#include "platform/service_dispatcher.h"
#include "platform/service_manager.h"
#include "platform/win_error.h"
#include "platform/system_info.h"
#include "platform/window_directory.h"
#include "service/monitor/event_ids.h"
#include "service/monitor/event_writer.h"
#include "service/monitor/metrics_export.h"
#include "service/monitor/registry_keeper.h"
#include "service/monitor/service_identity.h"
#include "service/monitor/settings_store.h"

namespace dwsvc {

namespace {
constexpr std::uint32_t kStartWaitHintMilliseconds = 3000;
constexpr std::uint32_t kRetryWaitMilliseconds = 10'000;
constexpr std::uint32_t kStopHandlingMilliseconds = 30'000;
}  // namespace

std::string csvBasePathAt(const platform::SystemTime& start) {
    char name[64];
    std::snprintf(name, sizeof name, "temp_log_%04d%02d%02d_%02d%02d%02d", start.year, start.month, start.day,
                  start.hour, start.minute, start.second);
    return platform::programLogFolder() + name;
}

void handleServiceControl(ServiceRuntime& runtime, std::uint32_t control) {
    switch (control) {
        case platform::kServiceControlStop:
            runtime.reporter.report(platform::kServiceStopPending, 0, 0);
            runtime.running = false;
            runtime.stopEvent.set();
            runtime.workers.launchNotifier("SVC_STOP");
            // The main routine's final report tells the manager; here the state only changes.
            runtime.reporter.setStoredState(platform::kServiceStopped);
            restoreServiceKeyIfLost(runtime.language);
            writeSetting(kServiceRunning, 0);
            runtime.stopHandledEvent.set();
            return;
        case platform::kServiceControlPause:
            runtime.reporter.report(platform::kServicePaused, 0, 0);
            return;
        case platform::kServiceControlContinue:
            runtime.reporter.report(platform::kServiceRunning, 0, 0);
            return;
        case platform::kServiceControlShutdown:
            restoreServiceKeyIfLost(runtime.language);
            writeSetting(kServiceRunning, 0);
            runtime.reporter.reportCurrent();
            return;
        case kNotifyControl:
            runtime.workers.launchNotifier("SVC_NOTIFY");
            runtime.reporter.reportCurrent();
            return;
        default:
            runtime.reporter.reportCurrent();
            return;
    }
}

void runMainWaitLoop(ServiceRuntime& runtime) {
    // Each wait is measured from the end of the poll cycle before it (the first one runs as the
    // polling thread starts).
    platform::waitForAny({&runtime.cycleDoneEvent, &runtime.stopEvent}, platform::kInfinite);
    while (runtime.running) {
        std::uint32_t timeout = runtime.intervalMilliseconds;
        if (runtime.table.anyRetrying()) {
            platform::debugOutput("status check retrying\n");
            timeout = kRetryWaitMilliseconds;
        }
        platform::waitForAny({&runtime.changeEvent, &runtime.stopEvent}, timeout);
        if (!runtime.running) break;
        runtime.pollEvent.set();
        platform::waitForAny({&runtime.cycleDoneEvent, &runtime.stopEvent}, platform::kInfinite);
    }
}

void sendNotifyControlToSelf() {
    auto manager = platform::ServiceManager::open();
    if (!manager) {
        std::printf("Opening Service Manager failed, error code = %u\n", platform::lastError());
        return;
    }
    auto service = manager->openService(kServiceName);
    if (!service) {
        std::printf("Failed in opening service, error code = %u\n", platform::lastError());
        return;
    }
    platform::ServiceStatus status;
    if (service->control(kNotifyControl, status)) {
        std::printf("Code to launch traysignal sent successfully\n");
    } else {
        std::printf("Failed in sending traysignal launch code, error code = %u\n", platform::lastError());
    }
    std::fflush(stdout);
}

void serviceMain(ServiceRuntime& runtime) {
    runtime.ready = false;
    const auto handle = platform::registerServiceCtrlHandler(
        kServiceName, [&runtime](std::uint32_t control) { handleServiceControl(runtime, control); });
    if (!handle) {
        writeEvent("RegisterServiceCtrlHandler Error.", kEventStartupFailure, platform::eventlog::kErrorType);
        return;
    }
    runtime.reporter.attach(
        [handle](const platform::ServiceStatus& status) { return platform::setServiceStatus(*handle, status); });

    // The users' tray applications register their windows under the root the service owns.
    platform::windows::prepareSessionFolders();
    // The service's key as the service reads its settings, before it reports running: what it
    // reads now and writes later it keeps, to write back into a registry started afresh under it
    // however soon after the start that happens.
    registryKeeper().capture();
    runtime.csvBasePath = csvBasePathAt(platform::systemInfo().localTime());
    runtime.metricsFolder = configuredMetricsFolder();
    runtime.notifyRequested = false;
    runtime.language = readSetting(kLanguage, lmx::kLanguageJapanese);
    setEventLanguage(runtime.language);
    platform::eventlog::setMaximumSize(readSetting(kEventLogMaxSize, lmx::kDefaultEventLogMaxSize));

    runtime.reporter.report(platform::kServiceStartPending, 0, kStartWaitHintMilliseconds);
    // The four events are members of the runtime and exist from its construction.
    runtime.reporter.report(platform::kServiceRunning, 0, 0);

    runtime.intervalMilliseconds =
        lmx::intervalMilliseconds(readSetting(kIntervalSetting, lmx::kDefaultIntervalSetting) & lmx::kIntervalBitsMask);
    runtime.temperatureSetting = readSetting(kTemperatureSetting, lmx::kDefaultTemperatureSetting);
    runtime.patrolSetting = readSetting(kPatrolSetting, lmx::kDefaultPatrolSetting);
    runtime.nextPatrolTime = std::uint64_t{readSetting(kNextPatrolTimeHigh, 0)} << 32 | readSetting(kNextPatrolTimeLow, 0);

    writeSetting(kServiceRunning, 1);

    runtime.workers.startPipeServer(runtime);
    runtime.workers.startPatrolThread(runtime);

    for (int n = 0; n < lmx::kPhysicalDriveCount; ++n) {
        lmx::ControllerStatusRecord record;
        lmx::clearRecord(record);
        loadRecord(n, record);
        runtime.table.setRecord(n, record);
        runtime.table.setRetryCounter(n, kFullRetryCount);
        runtime.table.setOverTemperature(n, false);
        runtime.table.setClockSet(n, false);
    }
    runtime.ready = true;

    runtime.workers.startPollingThread(runtime);
    runMainWaitLoop(runtime);
    // The loop ends only on the stop control: its notifier launch and registry write come
    // before the STOPPED report, which tells the service manager that the stop is complete.
    platform::waitFor(runtime.stopHandledEvent, kStopHandlingMilliseconds);
    runtime.workers.stopAll(runtime);

    runtime.reporter.report(platform::kServiceStopped, 0, 0);
    // Entries the event log has not taken yet get their last chance, or are told as lost.
    eventBacklog().close();
}

}  // namespace dwsvc
