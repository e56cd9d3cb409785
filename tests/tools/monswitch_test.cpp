// monswitch as a real process against the dwsvc built beside it, installed in a temporary root.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include "platform/service_manager.h"
#include "service/monitor/service_identity.h"
#include "tests/support/temp_root.h"
#include "tests/tools/program_run.h"

namespace {

const std::string kService(dwsvc::kServiceName);

class MonswitchTest : public ::testing::Test {
protected:
    void TearDown() override {
        // A service a failed test left running.
        const auto status = platform::readServiceStatus(kService);
        if (status.currentState != platform::kServiceStopped && status.processId != 0) {
            ::kill(static_cast<pid_t>(status.processId), SIGKILL);
        }
    }
    lmx::testing::ProgramRun monswitch(const std::vector<std::string>& arguments) {
        return lmx::testing::runProgram(lmx::testing::programsFolder() / "monswitch", "monswitch", arguments);
    }
    void install() {
        const auto run = lmx::testing::runProgram(lmx::testing::programsFolder() / "dwsvc", "dwsvc", {"install"});
        ASSERT_EQ(0, run.exitCode) << run.output;
    }

    lmx::testing::TempRoot root;
};

TEST_F(MonswitchTest, StartsAndStopsTheInstalledService) {
    install();
    auto run = monswitch({"start", kService});
    EXPECT_EQ(0, run.exitCode) << run.output;
    const auto running = platform::readServiceStatus(kService);
    ASSERT_EQ(platform::kServiceRunning, running.currentState);

    // The service runs apart: in a session of its own, with nothing of monswitch's for input.
    const auto pid = static_cast<pid_t>(running.processId);
    EXPECT_NE(::getsid(0), ::getsid(pid));
    std::error_code error;
    EXPECT_EQ("/dev/null", std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/fd/0", error));
    EXPECT_EQ(root.path(), std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/cwd", error));

    run = monswitch({"start", kService});
    EXPECT_EQ(0, run.exitCode) << run.output;
    EXPECT_EQ(running.processId, platform::readServiceStatus(kService).processId);

    run = monswitch({"stop", kService});
    EXPECT_EQ(0, run.exitCode) << run.output;
    EXPECT_EQ(platform::kServiceStopped, platform::readServiceStatus(kService).currentState);

    run = monswitch({"stop", kService});
    EXPECT_EQ(2, run.exitCode) << run.output;
}

TEST_F(MonswitchTest, MissingServiceAndBadArgumentsFail) {
    const std::string usage = "Usage: monswitch start|stop <service name>\n";
    for (const auto& arguments : std::vector<std::vector<std::string>>{{}, {"start"}, {"pause", kService}, {"start", kService, "now"}}) {
        const auto run = monswitch(arguments);
        EXPECT_EQ(1, run.exitCode);
        EXPECT_EQ(usage, run.output);
    }
    EXPECT_EQ(1, monswitch({"start", kService}).exitCode);
    EXPECT_EQ(1, monswitch({"stop", kService}).exitCode);
}

}  // namespace
