#pragma once
// The metrics writer on a scratch root with idle service workers, and what two cycles' writes
// said in the log.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "service/monitor/metrics_export.h"
#include "tests/support/idle_service_workers.h"
#include "tests/support/temp_root.h"

namespace dwsvc::testing {

inline int linesOf(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

class MetricsWriterTest : public ::testing::Test {
protected:
    // Two cycles' writes; what they said in the log.
    std::string writeTwice() {
        ::testing::internal::CaptureStderr();
        writer.write(runtime);
        writer.write(runtime);
        return ::testing::internal::GetCapturedStderr();
    }

    lmx::testing::TempRoot root;
    lmx::testing::IdleServiceWorkers workers;
    ServiceRuntime runtime{workers};
    MetricsWriter writer;
};

}  // namespace dwsvc::testing
