#pragma once
// The Prometheus textfile: when the service is given a folder (node_exporter's textfile
// collector folder), it writes lmxduowatch.prom there after every poll cycle, replaced at once.

#include <cstdio>
#include <string>

#include "service/monitor/service_runtime.h"

namespace dwsvc {

inline constexpr const char* kMetricsFileName = "lmxduowatch.prom";
// The environment variable that names the folder when the service key has no value for it
// (the systemd unit's Environment=).
inline constexpr const char* kMetricsFolderVariable = "LMXDUOWATCH_TEXTFILE_DIR";
// The file in the system root that names the folder the metrics file was last written into:
// the one file the service keeps outside its own folders is found and removed through it when
// the service is deleted, or when the service writes into another folder.
inline constexpr const char* kMetricsRecordName = "metrics-folder";

// The service key's TextfileCollectorFolder, else LMXDUOWATCH_TEXTFILE_DIR; empty when neither
// names a folder, and then no file is written.
std::string configuredMetricsFolder();

// Writes the metrics file into runtime.metricsFolder after every poll cycle, from the status
// table, the settings and the events written; nothing when no folder is configured. The
// service runs as root, so the folder must be one nobody else can change
// (platform::TrustedFolder): opened once per write without following links, and the file made
// through the open folder. A folder refused, or a write that failed, is said once in the
// service's log (its standard error: the journal, or its log file), again only after a write
// succeeded or for another reason; the write is tried again after the next cycle. A missing
// folder is said as such (a machine without node_exporter). The first write into a folder
// records it (kMetricsRecordName) and removes the file from the folder recorded before. Used by
// the polling thread alone.
class MetricsWriter {
public:
    void write(const ServiceRuntime& runtime);

private:
    void record(const std::string& folder);

    std::string reported_;  // what the log last said, until a write succeeds
    std::string recorded_;  // the folder the record names, once this writer wrote it
};

// Removes the metrics file from the folder the record names, and the record; what it did or
// why it could not goes to `out`. Nothing when there is no record. `dwsvc delete` calls it, so
// that a removed package leaves no metrics of a machine that is no longer watched.
void removeMetricsFile(std::FILE* out);

}  // namespace dwsvc
