// The installed service as real processes under conditions a user of the machine can bring
// about: a flood of requests, a root given as a relative or very long path, damaged databases.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/pipe_request.h"
#include "platform/event_log.h"
#include "platform/named_pipe.h"
#include "platform/service_manager.h"
#include "service/monitor/event_ids.h"
#include "service/monitor/service_identity.h"
#include "tests/support/temp_root.h"
#include "tests/tools/program_run.h"

namespace {

namespace fs = std::filesystem;

// The programs copied into a folder of the root, as an installation would have them.
fs::path installPrograms(const fs::path& root) {
    const fs::path programs = root / "programs";
    fs::create_directories(programs);
    for (const char* file : {"dwsvc", "monswitch", "traysignal", "TXTRES_EN.so"}) {
        fs::copy_file(lmx::testing::programsFolder() / file, programs / file, fs::copy_options::overwrite_existing);
    }
    return programs;
}

int monswitch(const fs::path& programs, const char* verb) {
    return lmx::testing::runProgram(programs / "monswitch", "monswitch", {verb, "LMXDuowatch"}).exitCode;
}

std::size_t statusTableBytes() {
    const auto request = lmx::makePipeRequest(lmx::kRequestStatusTable);
    std::vector<std::uint8_t> reply(6 * lmx::kPipeMessageSize);
    return platform::pipes::callNamedPipe(lmx::kServicePipeName,
                                          {reinterpret_cast<const std::uint8_t*>(&request), sizeof request}, reply,
                                          lmx::kPipeWaitMilliseconds)
        .value_or(0);
}

std::string shellQuoted(const fs::path& path) { return "'" + path.string() + "'"; }

TEST(ServiceRobustness, FloodOfRefreshRequestsDoesNotHoldUpTheStop) {
    lmx::testing::TempRoot root;
    const auto programs = installPrograms(root.path());
    ASSERT_EQ(0, lmx::testing::runProgram(programs / "dwsvc", "dwsvc", {"install"}).exitCode);
    ASSERT_EQ(0, monswitch(programs, "start"));

    // Every refresh asks for a poll cycle that ends with a notification, and each notification
    // takes the service's handler a second: queued one by one they would keep a stop waiting
    // for longer than monswitch waits.
    // About as many as a tight loop sends in 0.2 s on a quick machine.
    const auto request = lmx::makePipeRequest(lmx::kRequestRefresh);
    int sent = 0;
    for (int i = 0; i < 2000; ++i) {
        sent += platform::pipes::callNamedPipe(lmx::kServicePipeName,
                                               {reinterpret_cast<const std::uint8_t*>(&request), sizeof request}, {},
                                               lmx::kPipeWaitMilliseconds)
                    .has_value();
    }
    EXPECT_EQ(2000, sent);
    EXPECT_EQ(0, monswitch(programs, "stop"));
    EXPECT_EQ(platform::kServiceStopped, platform::readServiceStatus(dwsvc::kServiceName).currentState);
}

TEST(ServiceRobustness, RelativeRootMeansTheSameFolderToEveryProgram) {
    lmx::testing::TempRoot root;
    const auto programs = installPrograms(root.path());
    ASSERT_EQ(0, lmx::testing::runProgram(programs / "dwsvc", "dwsvc", {"install"}).exitCode);
    // Started from the root's parent with the root's name alone; the service itself runs in
    // another folder.
    const std::string relative = "cd " + shellQuoted(root.path().parent_path()) +
                                 " && LMXDUOWATCH_ROOT=" + root.path().filename().string() + " " +
                                 shellQuoted(programs / "monswitch") + " ";
    int exitCode = -1;
    lmx::testing::captureOutput(relative + "start LMXDuowatch", &exitCode);
    EXPECT_EQ(0, exitCode);
    EXPECT_EQ(6 * lmx::kPipeMessageSize, statusTableBytes());
    lmx::testing::captureOutput(relative + "stop LMXDuowatch", &exitCode);
    EXPECT_EQ(0, exitCode);
    EXPECT_FALSE(fs::exists(root.path() / root.path().filename()));
}

TEST(ServiceRobustness, RootWithALongPathServesItsPipe) {
    lmx::testing::TempRoot root;
    // Longer than a local socket's address can hold.
    const fs::path deep = root.path() / std::string(60, 'd') / std::string(60, 'e');
    fs::create_directories(deep);
    ::setenv("LMXDUOWATCH_ROOT", deep.c_str(), 1);
    const auto programs = installPrograms(deep);
    ASSERT_EQ(0, lmx::testing::runProgram(programs / "dwsvc", "dwsvc", {"install"}).exitCode);
    ASSERT_EQ(0, monswitch(programs, "start"));
    EXPECT_EQ(6 * lmx::kPipeMessageSize, statusTableBytes());
    EXPECT_EQ(0, monswitch(programs, "stop"));
    ::setenv("LMXDUOWATCH_ROOT", root.path().c_str(), 1);
}

TEST(ServiceRobustness, DamagedDatabasesNeitherLoseEventsNorKeepTheServiceFromStopping) {
    lmx::testing::TempRoot root;
    const auto programs = installPrograms(root.path());
    ASSERT_EQ(0, lmx::testing::runProgram(programs / "dwsvc", "dwsvc", {"install"}).exitCode);
    std::ofstream(root.path() / "eventlog.db", std::ios::binary) << std::string(3000, 'x');
    ASSERT_EQ(0, monswitch(programs, "start"));

    // The registry is ruined while the service runs.
    std::ofstream(root.path() / "registry.db", std::ios::binary | std::ios::trunc) << std::string(3000, 'y');
    EXPECT_EQ(0, monswitch(programs, "stop"));
    EXPECT_EQ(platform::kServiceStopped, platform::readServiceStatus(dwsvc::kServiceName).currentState);

    // Both damaged files are kept aside; the events of this run are in the new log.
    int damaged = 0;
    for (const auto& entry : fs::directory_iterator(root.path())) damaged += entry.path().filename().string().find(".damaged-") != std::string::npos;
    EXPECT_GE(damaged, 2);
    std::vector<std::uint32_t> ids;
    for (const auto& event : platform::eventlog::readEvents()) ids.push_back(event.eventId);
    EXPECT_EQ((std::vector<std::uint32_t>{dwsvc::kEventMonitoringStarted, dwsvc::kEventMonitoringStopped}), ids);
}

}  // namespace
