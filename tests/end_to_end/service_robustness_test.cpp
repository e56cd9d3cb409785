// The installed service as real processes under conditions a user of the machine can bring
// about: a flood of requests, a root given as a relative or very long path, damaged databases.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>
#include <fstream>

#include "common/pipe_request.h"
#include "platform/event_log.h"
#include "common/service_key.h"
#include "platform/named_pipe.h"
#include "platform/registry.h"
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
    // The registry's key was written back before the stop, and the log says so.
    EXPECT_EQ((std::vector<std::uint32_t>{dwsvc::kEventMonitoringStarted, dwsvc::kEventRegistryRestored,
                                          dwsvc::kEventMonitoringStopped}),
              ids);
}

std::uint32_t intervalSetting() {
    platform::registry::Key key;
    std::uint32_t interval = 0;
    if (platform::registry::Key::open(lmx::kServiceKeyPath, platform::registry::kKeyRead, key) != platform::kErrorSuccess ||
        key.queryDword(lmx::kIntervalSetting, interval) != platform::kErrorSuccess) {
        return 0;
    }
    return interval;
}

TEST(ServiceRobustness, RegistryLostWhileTheServiceRunsIsWrittenBackWithItsSettings) {
    const auto garbage = [](const fs::path& root) {
        std::ofstream(root / "registry.db", std::ios::binary | std::ios::trunc) << std::string(3000, 'y');
    };
    const auto deletion = [](const fs::path& root) {
        for (const char* name : {"registry.db", "registry.db-wal", "registry.db-shm"}) fs::remove(root / name);
    };
    // Each round is what a shell loop does on a fresh installation: ruin the registry as soon as
    // the start returns, stop and start again with no pause, while monswitch, the service and
    // this process each hold the registry open and the service may still be starting or ending.
    const std::vector<std::pair<std::function<void(const fs::path&)>, const char*>> rounds = {
        {garbage, "10"}, {deletion, "30"}, {garbage, "1"}, {deletion, "10"}};
    for (std::size_t round = 0; round < rounds.size(); ++round) {
        SCOPED_TRACE(round);
        const auto& [ruin, minutes] = rounds[round];
        lmx::testing::TempRoot root;
        const auto programs = installPrograms(root.path());
        ASSERT_EQ(0, lmx::testing::runProgram(programs / "dwsvc", "dwsvc", {"install"}).exitCode);
        ASSERT_EQ(0, lmx::testing::runProgram(programs / "dwsvc", "dwsvc", {"interval", minutes}).exitCode);
        const std::uint32_t interval = intervalSetting();
        ASSERT_NE(0u, interval);
        ASSERT_EQ(0, monswitch(programs, "start"));
        ruin(root.path());
        EXPECT_EQ(0, monswitch(programs, "stop"));
        // Still installed, with the setting made before, and the log says why.
        ASSERT_EQ(0, monswitch(programs, "start"));
        EXPECT_EQ(interval, intervalSetting());
        ASSERT_EQ(0, monswitch(programs, "stop"));
        std::size_t restored = 0;
        for (const auto& event : platform::eventlog::readEvents()) restored += event.eventId == dwsvc::kEventRegistryRestored;
        EXPECT_EQ(1u, restored);
    }
}

// ext4's "shut down" request (EXT4_IOC_SHUTDOWN without flushing its log): every later access
// to the file system fails with an I/O error, as on a disk that failed.
constexpr unsigned long kExt4Shutdown = _IOR('X', 125, std::uint32_t);
constexpr int kNoLoopMount = 121;

bool processGoneWithin(pid_t pid, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (::kill(pid, 0) == 0 || errno != ESRCH) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

TEST(ServiceRobustness, ServiceWhoseRootFileSystemFailsIsStillStopped) {
    lmx::testing::TempRoot root;
    const fs::path image = root.path().string() + ".ext4";
    std::ofstream(image).close();
    fs::resize_file(image, 16 * 1024 * 1024);
    int made = -1;
    lmx::testing::captureOutput("mkfs.ext4 -q -F " + shellQuoted(image) + " 2>/dev/null", &made);
    if (made != 0) {
        fs::remove(image);
        GTEST_SKIP() << "mkfs.ext4 is missing";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        // The programs stay outside the file system that fails; the root is on it.
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            std::system(("mount -o loop " + shellQuoted(image) + " " + shellQuoted(root.path()) + " 2>/dev/null").c_str()) != 0) {
            ::_exit(kNoLoopMount);
        }
        const auto programs = lmx::testing::programsFolder();
        if (lmx::testing::runProgram(programs / "dwsvc", "dwsvc", {"install"}).exitCode != 0) ::_exit(10);
        if (monswitch(programs, "start") != 0) ::_exit(11);
        const auto pid = static_cast<pid_t>(platform::readServiceStatus(dwsvc::kServiceName).processId);
        const int folder = ::open(root.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        std::uint32_t flags = 2;  // EXT4_GOING_FLAGS_NOLOGFLUSH
        if (pid <= 0 || folder < 0 || ::ioctl(folder, kExt4Shutdown, &flags) != 0) ::_exit(12);
        ::close(folder);
        const int stopped = monswitch(programs, "stop");
        const bool gone = processGoneWithin(pid, std::chrono::seconds(10));
        if (!gone) ::kill(pid, SIGKILL);
        ::umount2(root.path().c_str(), MNT_DETACH);
        ::_exit(stopped != 0 ? 13 : gone ? 0 : 14);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    fs::remove(image);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == kNoLoopMount) GTEST_SKIP() << "mounting a loop device needs root";
    EXPECT_EQ(0, WEXITSTATUS(status));
}

}  // namespace
