#include "service/monitor/metrics_export.h"

#include <cstdlib>
#include <filesystem>

#include "platform/file_replace.h"
#include "platform/system_info.h"
#include "platform/win_error.h"
#include "service/monitor/event_counts.h"
#include "service/monitor/metrics_text.h"
#include "service/monitor/settings_store.h"

namespace dwsvc {

std::string configuredMetricsFolder() {
    std::string folder = readStringSetting(lmx::kTextfileCollectorFolder);
    if (folder.empty()) {
        const char* variable = std::getenv(kMetricsFolderVariable);
        if (variable) folder = variable;
    }
    return folder;
}

void exportMetrics(const ServiceRuntime& runtime) {
    if (runtime.metricsFolder.empty()) return;
    MetricsSnapshot snapshot;
    snapshot.records = runtime.table.records();
    snapshot.temperatureSetting = runtime.temperatureSetting;
    const auto now = platform::systemTimeToFileTime(platform::systemInfo().utcTime());
    if (now && *now >= platform::kUnixEpochFileTime) {
        snapshot.lastPollUnixSeconds =
            static_cast<std::int64_t>((*now - platform::kUnixEpochFileTime) / platform::kFileTimeTicksPerSecond);
    }
    snapshot.eventCounts = writtenEventCounts().snapshot();
    const auto file = std::filesystem::path(runtime.metricsFolder) / kMetricsFileName;
    if (!platform::replaceFile(file, metricsText(snapshot))) {
        platform::debugOutput("metrics file not written: " + file.string() + " (error " +
                              std::to_string(platform::lastError()) + ")\n");
    }
}

}  // namespace dwsvc
