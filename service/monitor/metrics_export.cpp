#include "service/monitor/metrics_export.h"

#include <cstdio>
#include <cstdlib>

#include "platform/system_info.h"
#include "platform/trusted_folder.h"
#include "platform/win_error.h"
#include "service/monitor/event_counts.h"
#include "service/monitor/metrics_text.h"
#include "service/monitor/settings_store.h"

namespace dwsvc {

namespace {

MetricsSnapshot takeSnapshot(const ServiceRuntime& runtime) {
    MetricsSnapshot snapshot;
    snapshot.records = runtime.table.records();
    snapshot.temperatureSetting = runtime.temperatureSetting;
    const auto now = platform::systemTimeToFileTime(platform::systemInfo().utcTime());
    if (now && *now >= platform::kUnixEpochFileTime) {
        snapshot.lastPollUnixSeconds =
            static_cast<std::int64_t>((*now - platform::kUnixEpochFileTime) / platform::kFileTimeTicksPerSecond);
    }
    snapshot.eventCounts = writtenEventCounts().snapshot();
    return snapshot;
}

}  // namespace

std::string configuredMetricsFolder() {
    std::string folder = readStringSetting(lmx::kTextfileCollectorFolder);
    if (folder.empty()) {
        const char* variable = std::getenv(kMetricsFolderVariable);
        if (variable) folder = variable;
    }
    return folder;
}

void MetricsWriter::write(const ServiceRuntime& runtime) {
    if (runtime.metricsFolder.empty()) return;
    std::string refusal;
    const auto folder = platform::TrustedFolder::open(runtime.metricsFolder, refusal);
    std::string problem;
    if (!folder) {
        problem = "the metrics file is not written: " + refusal;
    } else if (!folder->replaceFile(kMetricsFileName, metricsText(takeSnapshot(runtime)))) {
        problem = "the metrics file is not written into " + runtime.metricsFolder + " (error " +
                  std::to_string(platform::lastError()) + ")";
    }
    if (problem != reported_ && !problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        std::fflush(stderr);
    }
    reported_ = problem;
}

}  // namespace dwsvc
