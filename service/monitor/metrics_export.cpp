#include "service/monitor/metrics_export.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/file_replace.h"
#include "platform/plain_file.h"
#include "platform/system_info.h"
#include "platform/system_root.h"
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

std::filesystem::path recordPath() { return platform::systemRoot() / kMetricsRecordName; }

// The folder the record names; empty without one.
std::string recordedFolder() {
    std::array<std::uint8_t, 4096> buffer{};
    const auto size = platform::readPlainFile(recordPath(), buffer);
    if (!size) return {};
    std::string folder(reinterpret_cast<const char*>(buffer.data()), *size);
    while (!folder.empty() && (folder.back() == '\n' || folder.back() == '\r')) folder.pop_back();
    return folder;
}

// Removes the metrics file from `folder`; empty, or why it could not.
std::string removeFrom(const std::string& folder) {
    std::string refusal;
    const auto opened = platform::TrustedFolder::open(folder, refusal);
    if (!opened) return platform::lastError() == platform::kErrorPathNotFound ? std::string() : refusal;
    if (!opened->removeFile(kMetricsFileName)) {
        return "it could not be removed (error " + std::to_string(platform::lastError()) + ")";
    }
    return {};
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
    if (!folder && platform::lastError() == platform::kErrorPathNotFound) {
        problem = "the metrics folder " + runtime.metricsFolder + " is missing (" + refusal +
                  "): no metrics file is written until it is made (under systemd, restart the service then)";
    } else if (!folder) {
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
    if (problem.empty()) record(runtime.metricsFolder);
}

void MetricsWriter::record(const std::string& folder) {
    if (recorded_ == folder) return;
    const std::string before = recordedFolder();
    if (before != folder) {
        if (!before.empty()) {
            const std::string failure = removeFrom(before);
            if (!failure.empty()) std::fprintf(stderr, "the metrics file in %s is left: %s\n", before.c_str(), failure.c_str());
        }
        // Said once: the next try comes with the next start of the service.
        if (!platform::replaceFile(recordPath(), folder + "\n")) {
            std::fprintf(stderr, "%s is not written (error %u): the metrics file is left when the service is deleted\n",
                         recordPath().string().c_str(), platform::lastError());
        }
        std::fflush(stderr);
    }
    recorded_ = folder;
}

void removeMetricsFile(std::FILE* out) {
    const std::string folder = recordedFolder();
    if (folder.empty()) return;
    const std::string failure = removeFrom(folder);
    if (failure.empty()) {
        std::fprintf(out, "Metrics file %s/%s removed.\n", folder.c_str(), kMetricsFileName);
    } else {
        std::fprintf(out, "Metrics file in %s left: %s\n", folder.c_str(), failure.c_str());
    }
    std::error_code ignored;
    std::filesystem::remove(recordPath(), ignored);
}

}  // namespace dwsvc
