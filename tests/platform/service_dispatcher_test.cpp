// The service dispatcher in a process of its own, controlled through its control socket as the
// service manager controls it: controls return once handled, a burst of the same control is
// carried out once, and a stop goes before everything that waits.

#include "platform/service_dispatcher.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/service_control_channel.h"
#include "platform/win_error.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_root.h"

namespace platform {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr const char* kName = "LMXDispatch";
constexpr std::uint32_t kNotify = 128;

class ServiceDispatcherTest : public ::testing::Test {
protected:
    lmx::testing::TempRoot root;
    fs::path handled() const { return root.path() / "handled"; }
    fs::path released() const { return root.path() / "released"; }

    // A service whose handler writes each control it runs to a file; the first notify control
    // is held until the test releases it, as a slow notifier launch would hold it.
    pid_t startService() {
        const pid_t pid = ::fork();
        if (pid == 0) {
            std::atomic<bool> stopped{false};
            const bool ran = startServiceCtrlDispatcher(kName, [&] {
                auto handle = registerServiceCtrlHandler(kName, [&](std::uint32_t control) {
                    std::ofstream(handled(), std::ios::app) << control << "\n";
                    static bool first = true;
                    if (control == kNotify && std::exchange(first, false)) {
                        while (!fs::exists(released())) std::this_thread::sleep_for(5ms);
                    }
                    if (control == kServiceControlStop) stopped = true;
                });
                if (!handle) return;
                while (!stopped) std::this_thread::sleep_for(5ms);
            });
            ::_exit(ran ? 0 : 1);
        }
        return pid;
    }

    std::vector<std::uint32_t> handledControls() const {
        std::vector<std::uint32_t> controls;
        std::ifstream in(handled());
        for (std::uint32_t control; in >> control;) controls.push_back(control);
        return controls;
    }
};

int exitCodeOf(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(ServiceDispatcherTest, BurstOfNotificationsIsCoalescedAndTheStopGoesFirst) {
    const pid_t service = startService();
    ASSERT_TRUE(lmx::testing::eventually([] { return fs::exists(service_control::controlSocketPath(kName)); }));

    std::atomic<std::uint32_t> firstResult{99};
    std::thread first([&] { firstResult = service_control::sendControl(kName, kNotify, 30'000); });
    ASSERT_TRUE(lmx::testing::eventually([&] { return handledControls().size() == 1; }));

    // While the handler is busy: a burst of notifications, then the stop.
    constexpr int kBurst = 40;
    std::vector<std::thread> burst;
    std::atomic<int> refused{0};
    for (int i = 0; i < kBurst; ++i) {
        burst.emplace_back([&] {
            // Refused while the service stops, or finding it gone when a slow thread comes late.
            const auto result = service_control::sendControl(kName, kNotify, 30'000);
            if (result == kErrorServiceCannotAcceptCtrl || result == kErrorServiceNotActive) ++refused;
        });
    }
    std::this_thread::sleep_for(200ms);  // the burst has reached the service
    std::atomic<std::uint32_t> stopResult{99};
    std::thread stop([&] { stopResult = service_control::sendControl(kName, kServiceControlStop, 30'000); });
    std::this_thread::sleep_for(200ms);
    std::ofstream(released()) << "go";

    first.join();
    stop.join();
    for (auto& thread : burst) thread.join();
    EXPECT_EQ(0, exitCodeOf(service));
    EXPECT_EQ(kErrorSuccess, firstResult.load());
    EXPECT_EQ(kErrorSuccess, stopResult.load());
    // The stop came right after the notification under way; the burst waited behind it as one
    // control, and a stopping service takes no more notifications.
    EXPECT_EQ((std::vector<std::uint32_t>{kNotify, kServiceControlStop}), handledControls());
    EXPECT_EQ(kBurst, refused.load());
}

TEST_F(ServiceDispatcherTest, SignalsStopTheServiceAndControlsAfterwardsFindNoService) {
    const pid_t service = startService();
    ASSERT_TRUE(lmx::testing::eventually([] { return fs::exists(service_control::controlSocketPath(kName)); }));
    ::kill(service, SIGTERM);
    ::kill(service, SIGTERM);
    EXPECT_EQ(0, exitCodeOf(service));
    EXPECT_EQ((std::vector<std::uint32_t>{kServiceControlStop}), handledControls());
    EXPECT_EQ(kErrorServiceNotActive, service_control::sendControl(kName, kNotify, 1'000));
}

}  // namespace
}  // namespace platform
