#pragma once
// The service's state in the Prometheus text format (version 0.0.4), for node_exporter's
// textfile collector: per controller, per member drive, the temperature alarm, the last poll
// and the events written.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "common/controller_status_record.h"

namespace dwsvc {

struct MetricsSnapshot {
    std::array<lmx::ControllerStatusRecord, lmx::kPhysicalDriveCount> records{};
    std::uint32_t temperatureSetting = 0;
    std::int64_t lastPollUnixSeconds = 0;
    std::map<std::uint32_t, std::uint64_t> eventCounts;  // event id → entries written
};

// The metrics file's text: a first comment line with the time it was written (the snapshot's
// last poll), then every family with its HELP and TYPE lines, samples labelled by
// physical drive ("drive") and member slot ("slot"); label values escaped.
std::string metricsText(const MetricsSnapshot& snapshot);

// "2025-06-15T15:06:40Z": a Unix time in UTC, ISO 8601.
std::string utcTimeText(std::int64_t unixSeconds);

// A label value as the text format needs it: backslash, double quote and line feed escaped.
std::string escapeLabelValue(std::string_view value);

}  // namespace dwsvc
