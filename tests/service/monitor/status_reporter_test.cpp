#include "service/monitor/status_reporter.h"

#include <gtest/gtest.h>

#include <vector>

namespace dwsvc {
namespace {

struct Recorded {
    std::vector<platform::ServiceStatus> reports;
    std::vector<std::uint32_t> lifecycleEvents;
};

TEST(StatusReporter, CheckpointsCountOnlyPendingStates) {
    Recorded recorded;
    StatusReporter reporter([&](std::uint32_t state) { recorded.lifecycleEvents.push_back(state); });
    reporter.attach([&](const platform::ServiceStatus& status) {
        recorded.reports.push_back(status);
        return true;
    });

    reporter.report(platform::kServiceStartPending, 0, 3000);
    reporter.report(platform::kServiceRunning, 0, 0);
    reporter.report(platform::kServiceStopPending, 0, 0);
    reporter.reportCurrent();
    reporter.report(platform::kServiceStopped, 0, 0);

    ASSERT_EQ(5u, recorded.reports.size());
    EXPECT_EQ(1u, recorded.reports[0].checkPoint);
    EXPECT_EQ(0u, recorded.reports[0].controlsAccepted);
    EXPECT_EQ(3000u, recorded.reports[0].waitHint);
    EXPECT_EQ(0u, recorded.reports[1].checkPoint);
    EXPECT_EQ(platform::kServiceAcceptStop, recorded.reports[1].controlsAccepted);
    EXPECT_EQ(2u, recorded.reports[2].checkPoint);
    EXPECT_EQ(3u, recorded.reports[3].checkPoint);
    EXPECT_EQ(platform::kServiceStopPending, recorded.reports[3].currentState);
    EXPECT_EQ(0u, recorded.reports[4].checkPoint);
    for (const auto& status : recorded.reports) EXPECT_EQ(platform::kServiceWin32OwnProcess, status.serviceType);

    // Start and stop events go with their reports, and with no others.
    EXPECT_EQ((std::vector<std::uint32_t>{platform::kServiceStartPending, platform::kServiceStopped}),
              recorded.lifecycleEvents);
}

TEST(StatusReporter, StoredStateChangesWithoutAReport) {
    Recorded recorded;
    StatusReporter reporter([&](std::uint32_t state) { recorded.lifecycleEvents.push_back(state); });
    reporter.attach([&](const platform::ServiceStatus& status) {
        recorded.reports.push_back(status);
        return true;
    });
    reporter.report(platform::kServiceRunning, 0, 0);
    reporter.setStoredState(platform::kServiceStopped);
    EXPECT_EQ(1u, recorded.reports.size());
    EXPECT_EQ(platform::kServiceStopped, reporter.status().currentState);
    EXPECT_TRUE(recorded.lifecycleEvents.empty());
}

}  // namespace
}  // namespace dwsvc
