// traysignal as a real process against a window of this test titled like the tray
// application's main frame.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "common/tray_messages.h"
#include "platform/sessions.h"
#include "platform/window_directory.h"
#include "tests/support/temp_root.h"
#include "tests/tools/program_run.h"

namespace {

using namespace std::chrono_literals;

struct Message {
    std::uint32_t number = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    friend bool operator==(const Message&, const Message&) = default;
};

class TraysignalTest : public ::testing::Test {
protected:
    lmx::testing::TempRoot root;
    const std::filesystem::path program = lmx::testing::programsFolder() / "traysignal";
    const std::string title{lmx::tray::kMainWindowTitle};

    // The tray's main window: it takes its time over each message, so a sender that does not
    // wait for the handling would end before the message is recorded.
    std::unique_ptr<platform::windows::WindowThread> startTray() {
        return platform::windows::WindowThread::start(title, [this](std::uint32_t number, std::uintptr_t wParam, std::intptr_t lParam) {
            std::this_thread::sleep_for(50ms);
            std::lock_guard lock(mutex_);
            received_.push_back({number, wParam, lParam});
            return std::intptr_t{0};
        });
    }
    std::vector<Message> takeReceived() {
        std::lock_guard lock(mutex_);
        return std::exchange(received_, {});
    }

private:
    std::mutex mutex_;
    std::vector<Message> received_;
};

TEST_F(TraysignalTest, FirstEightCharactersOfArgumentZeroChooseTheSignal) {
    const auto tray = startTray();
    ASSERT_NE(nullptr, tray);
    const struct {
        std::string argument0;
        std::uint32_t expected;
    } cases[] = {
        {"SVC_NOTIFY", lmx::tray::UWM_SVC_NOTIFY},
        {"SVC_STOP", lmx::tray::UWM_SVC_STOPPING},
        {"SVC_STOPPING_NOW", lmx::tray::UWM_SVC_STOPPING},
        {"svc_stop", lmx::tray::UWM_SVC_NOTIFY},
        {"SVC_STO", lmx::tray::UWM_SVC_NOTIFY},
        {program.string(), lmx::tray::UWM_SVC_NOTIFY},  // started by hand, without a command line
    };
    for (const auto& [argument0, expected] : cases) {
        const auto run = lmx::testing::runProgram(program, argument0, {"SVC_STOP"});
        EXPECT_EQ(0, run.exitCode) << argument0;
        EXPECT_EQ("Found " + title + ".\n", run.output) << argument0;
        // Handled before the program ended.
        EXPECT_EQ((std::vector<Message>{{expected, 0, 0}}), takeReceived()) << argument0;
    }
}

TEST_F(TraysignalTest, WithoutTheTrayItSaysSoAndEndsNormally) {
    const auto other = platform::windows::WindowThread::start(title + " 2", [](std::uint32_t, std::uintptr_t, std::intptr_t) {
        return std::intptr_t{0};
    });
    ASSERT_NE(nullptr, other);
    const auto run = lmx::testing::runProgram(program, "SVC_NOTIFY");
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ(title + " not found.\n", run.output);
}

TEST_F(TraysignalTest, WindowThatNeverAnswersIsGivenUp) {
    // A window under the tray's title whose procedure does not return: a notifier waiting on
    // it without end would stay, one more with every notification.
    std::atomic<bool> release{false};
    const auto hung = platform::windows::WindowThread::start(title, [&](std::uint32_t, std::uintptr_t, std::intptr_t) {
        while (!release) std::this_thread::sleep_for(10ms);
        return std::intptr_t{0};
    });
    ASSERT_NE(nullptr, hung);
    const auto run = lmx::testing::runProgram(program, "SVC_NOTIFY");
    release = true;
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ("Found " + title + ".\n" + title + " did not answer.\n", run.output);
}

TEST_F(TraysignalTest, StartedInTheUsersSessionItReachesTheTray) {
    const auto tray = startTray();
    ASSERT_NE(nullptr, tray);
    std::uint32_t session = platform::sessions::kServicesSessionId;
    for (const auto& candidate : platform::sessions::enumerateSessions().value_or(std::vector<platform::sessions::SessionInfo>{})) {
        if (candidate.state == platform::sessions::kWtsActive) {
            session = candidate.sessionId;
            break;
        }
    }
    ASSERT_TRUE(platform::sessions::launchInSession(session, program, "SVC_STOP"));
    std::vector<Message> received;
    for (int i = 0; i < 400 && received.empty(); ++i) {
        std::this_thread::sleep_for(25ms);
        received = takeReceived();
    }
    EXPECT_EQ((std::vector<Message>{{lmx::tray::UWM_SVC_STOPPING, 0, 0}}), received);
}

}  // namespace
