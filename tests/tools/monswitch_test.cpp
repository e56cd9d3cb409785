// monswitch as a real process against the dwsvc built beside it, installed in a temporary root.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/service_manager.h"
#include "service/monitor/service_identity.h"
#include "tests/support/eventually.h"
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

// A root that others may write, made so after the install, is refused before the service is
// started there.
TEST_F(MonswitchTest, ARootOthersMayWriteIsNotStartedIn) {
    install();
    std::filesystem::permissions(root.path(), std::filesystem::perms(0777));
    const auto run = monswitch({"start", kService});
    EXPECT_EQ(1, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("The system root " + root.path().string() + " is refused: ")) << run.output;
    EXPECT_EQ(platform::kServiceStopped, platform::readServiceStatus(kService).currentState);
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

TEST_F(MonswitchTest, ServiceItStartsWritesWhatItPrintsToItsLog) {
    const auto lmxsim = lmx::testing::programsFolder() / "lmxsim";
    if (!std::filesystem::exists(lmxsim)) GTEST_SKIP() << "built without the simulator";
    install();
    // A controller whose RAID page fails its check: the poll's own lines follow its result.
    ASSERT_EQ(0, lmx::testing::runProgram(lmxsim, "lmxsim", {"create", "1", "controller", "Lumavex ZDAP-RS482"}).exitCode);
    ASSERT_EQ(0, lmx::testing::runProgram(lmxsim, "lmxsim", {"set", "1", "faults.brokenFrames=E5"}).exitCode);
    ::setenv("LMXDUOWATCH_DEBUG", "1", 1);
    auto run = monswitch({"start", kService});
    ::unsetenv("LMXDUOWATCH_DEBUG");
    ASSERT_EQ(0, run.exitCode) << run.output;
    const auto log = root.path() / "logs" / "dwsvc.log";
    const auto text = [&] {
        std::ifstream in(log);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    ASSERT_TRUE(lmx::testing::eventually([&] { return text().find("Poll cycle ends: ") != std::string::npos; }));
    // The six records as the pipe carries them, one line of hex each.
    const auto raw = lmx::testing::runProgram(lmx::testing::programsFolder() / "lmxpipe", "lmxpipe", {"status", "--raw"});
    EXPECT_EQ(0, raw.exitCode);
    ASSERT_EQ(6 * (1280 + 1), raw.output.size()) << raw.output;
    EXPECT_EQ("05", raw.output.substr(5 * 1281 + 2, 2));  // the last record's physical drive number (byte 1)
    run = monswitch({"stop", kService});
    EXPECT_EQ(0, run.exitCode) << run.output;

    const std::string written = text();
    const auto begins = written.find("Poll cycle begins.\n");
    const auto absent = written.find("Poll of drive 0: no controller.\n");
    const auto failed = written.find("Poll of drive 1: no proper answer, 9 retries left.\n");
    const auto check = written.find("get_raid_info: Valid Check Failed. (Mollen)\n");
    const auto ends = written.find("Poll cycle ends: nothing changed.\n");
    ASSERT_NE(std::string::npos, begins) << written;
    EXPECT_LT(begins, absent);
    EXPECT_LT(absent, failed);
    EXPECT_LT(failed, check);
    EXPECT_LT(check, ends);
    EXPECT_NE(std::string::npos, ends);
    // Standard output too: the sessions listed when the stop's notifier was launched.
    EXPECT_NE(std::string::npos, written.find("Session Id: ")) << written;
}

}  // namespace
