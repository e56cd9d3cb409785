#include "service/monitor/patrol.h"

#include "common/service_settings.h"
#include "platform/event_log.h"
#include "platform/system_info.h"
#include "service/monitor/event_ids.h"
#include "service/monitor/event_writer.h"
#include "service/monitor/patrol_schedule.h"
#include "service/monitor/settings_store.h"

namespace dwsvc {

namespace {
constexpr std::uint32_t kPatrolCheckMilliseconds = 60'000;
}

void computeNextPatrol(ServiceRuntime& runtime, const platform::SystemTime& from) {
    const std::uint64_t next = nextPatrolTime(runtime.patrolSetting, from);
    runtime.nextPatrolTime = next;
    writeSetting(kNextPatrolTimeHigh, static_cast<std::uint32_t>(next >> 32));
    writeSetting(kNextPatrolTimeLow, static_cast<std::uint32_t>(next));
}

void patrolCheck(ServiceRuntime& runtime, const PatrolStarter& startPatrol) {
    if (!lmx::decodePatrolSetting(runtime.patrolSetting).enabled) return;
    const auto local = platform::systemInfo().localTime();
    const auto now = platform::systemTimeToFileTime(local);
    if (!now) return;
    const std::uint64_t next = runtime.nextPatrolTime;
    if (next == 0) {
        // Enabled but never scheduled (a setting written by hand): schedule it rather than
        // reporting a patrol missed in 1601.
        computeNextPatrol(runtime, local);
        return;
    }
    if (*now < next) return;

    if (*now - next > kPatrolGrace) {
        EventTextContext context;
        context.nextPatrolTime = next;
        writeComposedEvent(runtime.language, nullptr, kEventPatrolMissed, platform::eventlog::kInformationType, context);
    } else {
        for (const auto& record : runtime.table.records()) {
            if (!record.present) continue;
            const bool started = record.raidStatus == lmx::kRaidNormal && startPatrol(record.physicalNumber);
            writeComposedEvent(runtime.language, &record,
                               (started ? kEventPatrolStarted : kEventPatrolNotStarted) + record.physicalNumber,
                               platform::eventlog::kInformationType);
        }
        runtime.changeEvent.set();
    }
    computeNextPatrol(runtime, platform::fileTimeToSystemTime(*now + kTenMinutes));
}

void runPatrolThread(ServiceRuntime& runtime, const PatrolStarter& startPatrol) {
    patrolCheck(runtime, startPatrol);
    for (;;) {
        const auto woken = platform::waitForAny({&runtime.patrolEvent, &runtime.stopEvent}, kPatrolCheckMilliseconds);
        if (woken == platform::kWaitObject0) {
            runtime.patrolSetting = readSetting(kPatrolSetting, lmx::kDefaultPatrolSetting);
            computeNextPatrol(runtime, platform::systemInfo().localTime());
        } else if (woken == platform::kWaitTimeout) {
            patrolCheck(runtime, startPatrol);
        } else {
            return;
        }
    }
}

}  // namespace dwsvc
