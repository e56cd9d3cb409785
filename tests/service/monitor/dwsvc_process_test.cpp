// dwsvc as a real process in a temporary system root: start, controls, stop.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "common/product_version.h"
#include "platform/event_log.h"
#include "platform/service_manager.h"
#include "platform/win_error.h"
#include "service/monitor/event_ids.h"
#include "service/monitor/service_identity.h"
#include "service/monitor/settings_store.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_root.h"

extern char** environ;

namespace dwsvc {
namespace {

using namespace std::chrono_literals;

// The tray program's product version as the start event shows it: "1, 0, 0, 1" becomes
// "1. 0. 0. 1"; "error" in a build without the tray program beside dwsvc.
std::string trayVersion() {
#if LMX_TRAY_PROGRAM_BUILT
    std::string version = LMX_PRODUCT_VERSION;
    std::replace(version.begin(), version.end(), ',', '.');
    return version;
#else
    return "error";
#endif
}

pid_t startDwsvc() {
    const std::string program = (lmx::testing::programsFolder() / "dwsvc").string();
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = -1;
    EXPECT_EQ(0, posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ));
    return pid;
}

int waitForExit(pid_t pid) {
    int status = 0;
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(50ms);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -2;
}

bool waitForState(std::uint32_t state) {
    for (int i = 0; i < 200; ++i) {
        if (platform::readServiceStatus(kServiceName).currentState == state) return true;
        std::this_thread::sleep_for(25ms);
    }
    return false;
}

std::vector<std::uint32_t> eventIds() {
    std::vector<std::uint32_t> ids;
    for (const auto& record : platform::eventlog::readEvents()) ids.push_back(record.eventId);
    return ids;
}

// Kills a dwsvc that a failed test left running.
class ProcessGuard {
public:
    explicit ProcessGuard(pid_t pid) : pid_(pid) {}
    ~ProcessGuard() {
        if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

private:
    pid_t pid_;
};

class DwsvcProcessTest : public ::testing::Test {
protected:
    lmx::testing::TempRoot root;
};

TEST_F(DwsvcProcessTest, RunsUntilSigtermAndLeavesStartAndStopEvents) {
    const pid_t pid = startDwsvc();
    ProcessGuard guard(pid);
    ASSERT_TRUE(waitForState(platform::kServiceRunning));
    const auto running = platform::readServiceStatus(kServiceName);
    EXPECT_EQ(static_cast<std::uint32_t>(pid), running.processId);
    EXPECT_EQ(platform::kServiceAcceptStop, running.controlsAccepted);
    EXPECT_EQ(0u, running.checkPoint);
    // RUNNING is reported as soon as the events exist; ServiceRunning is written a moment later.
    EXPECT_TRUE(lmx::testing::eventually([] { return readSetting(kServiceRunning, 0) == 1u; }));

    // A second instance fails as the dispatcher would, and says so in the log.
    const pid_t second = startDwsvc();
    EXPECT_EQ(0, waitForExit(second));

    ASSERT_EQ(0, kill(pid, SIGTERM));
    EXPECT_EQ(0, waitForExit(pid));
    EXPECT_EQ(platform::kServiceStopped, platform::readServiceStatus(kServiceName).currentState);
    EXPECT_EQ(0u, readSetting(kServiceRunning, 1));

    const auto events = platform::eventlog::readEvents();
    ASSERT_EQ(3u, events.size());
    EXPECT_EQ(kEventMonitoringStarted, events[0].eventId);
    EXPECT_EQ(platform::eventlog::kInformationType, events[0].type);
    ASSERT_EQ(2u, events[0].strings.size());
    EXPECT_EQ("LMXDuowatch", events[0].strings[0]);
    // The tray program's file beside dwsvc gives the version.
    EXPECT_EQ("Lumavex デュオカードの監視を開始しました [version " + trayVersion() + "]", events[0].strings[1]);
    EXPECT_EQ(kEventStartupFailure, events[1].eventId);
    EXPECT_EQ(platform::eventlog::kErrorType, events[1].type);
    EXPECT_EQ("StartServiceCtrlDispatcher Error.", events[1].strings[1]);
    EXPECT_EQ(kEventMonitoringStopped, events[2].eventId);
}

TEST_F(DwsvcProcessTest, TakesControlsThroughTheServiceManager) {
    {
        // Install the service in this root so that the manager can open it.
        const std::string program = (lmx::testing::programsFolder() / "dwsvc").string();
        int exitCode = -1;
        const auto output = lmx::testing::captureOutput(program + " install", &exitCode);
        EXPECT_EQ(0, exitCode);
        EXPECT_NE(std::string::npos, output.find("Service installed sucessfully."));
    }
    writeSetting(kLanguage, 1);
    const pid_t pid = startDwsvc();
    ProcessGuard guard(pid);
    ASSERT_TRUE(waitForState(platform::kServiceRunning));

    auto manager = platform::ServiceManager::open();
    ASSERT_TRUE(manager.has_value());
    auto service = manager->openService(kServiceName);
    ASSERT_TRUE(service.has_value());
    platform::ServiceStatus status;
    EXPECT_TRUE(service->control(128, status));
    // The service accepts stop only: pause and continue are refused by the manager.
    EXPECT_FALSE(service->control(platform::kServiceControlPause, status));
    EXPECT_EQ(platform::kErrorInvalidServiceControl, platform::lastError());
    EXPECT_TRUE(service->control(platform::kServiceControlStop, status));
    EXPECT_EQ(0, waitForExit(pid));

    EXPECT_FALSE(service->control(platform::kServiceControlStop, status));
    EXPECT_EQ((std::vector<std::uint32_t>{kEventMonitoringStarted, kEventMonitoringStopped}), eventIds());
    // Language 1: the texts came from the language library beside dwsvc.
    const auto events = platform::eventlog::readEvents();
    EXPECT_EQ("Started monitoring Lumavex Duocards [version " + trayVersion() + "]", events[0].strings[1]);
    EXPECT_EQ("Stopped monitoring Lumavex Duocards", events[1].strings[1]);
}

}  // namespace
}  // namespace dwsvc
