#pragma once
// The Prometheus textfile: when the service is given a folder (node_exporter's textfile
// collector folder), it writes lmxduowatch.prom there after every poll cycle, replaced at once.

#include <string>

#include "service/monitor/service_runtime.h"

namespace dwsvc {

inline constexpr const char* kMetricsFileName = "lmxduowatch.prom";
// The environment variable that names the folder when the service key has no value for it
// (the systemd unit's Environment=).
inline constexpr const char* kMetricsFolderVariable = "LMXDUOWATCH_TEXTFILE_DIR";

// The service key's TextfileCollectorFolder, else LMXDUOWATCH_TEXTFILE_DIR; empty when neither
// names a folder, and then no file is written.
std::string configuredMetricsFolder();

// Writes the metrics file into runtime.metricsFolder from the status table, the settings and
// the events written; nothing when no folder is configured. A failed write is noted in the
// debug output and tried again after the next cycle.
void exportMetrics(const ServiceRuntime& runtime);

}  // namespace dwsvc
