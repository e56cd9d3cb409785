// Window messages between processes and threads: found by title, answered by the owner's
// thread, given up on when the owner hangs, gone with the owner.

#include "platform/window_directory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/win_error.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_root.h"
#include "tests/windows/platform/probe_process.h"

namespace platform::windows {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kErrorInvalidWindowHandle = 1400;
constexpr std::uint32_t kErrorTimeout = 1460;

TEST(WindowMessages, AnotherProcesssWindowIsFoundAnswersAndGoesWithIt) {
    lmx::testing::TempRoot root;
    const auto child = lmx::probe::startProbe("window", "Probe Window");
    ASSERT_NE(-1, child);
    std::optional<WindowRef> window;
    ASSERT_TRUE(lmx::testing::eventually([&] { return (window = findWindow("PROBE window")).has_value(); }));
    EXPECT_NE(0u, window->processId);
    EXPECT_EQ("Probe Window", windowTitle(*window));
    EXPECT_EQ(42, sendMessageTimeout(*window, lmx::probe::kProbeAdd, 41, 0, 5000));
    EXPECT_EQ(8, sendMessage(*window, lmx::probe::kProbeAdd, 7));

    {
        // Another root's windows are another machine's.
        lmx::testing::TempRoot otherRoot;
        EXPECT_FALSE(findWindow("Probe Window").has_value());
    }

    EXPECT_TRUE(postMessage(*window, lmx::probe::kProbeQuit));
    EXPECT_EQ(0, lmx::probe::waitForProbe(child));
    EXPECT_FALSE(findWindow("Probe Window").has_value());
    EXPECT_FALSE(sendMessage(*window, lmx::probe::kProbeAdd, 1).has_value());
    EXPECT_EQ(kErrorInvalidWindowHandle, lastError());
    EXPECT_FALSE(postMessage(*window, lmx::probe::kProbeAdd));
}

TEST(WindowMessages, AHungWindowTimesOutAndPostedMessagesKeepTheirOrder) {
    lmx::testing::TempRoot root;
    std::atomic<bool> release{false};
    std::vector<std::uintptr_t> posted;  // written and read on the window's thread only
    std::atomic<std::size_t> postedCount{0};
    auto hung = WindowThread::start("Hung", [&](std::uint32_t message, std::uintptr_t wParam, std::intptr_t) -> std::intptr_t {
        if (message == 0x8001) {
            while (!release) std::this_thread::sleep_for(5ms);
        }
        if (message == 0x8002) {
            posted.push_back(wParam);
            postedCount = posted.size();
        }
        if (message == 0x8003) return posted.size() == 3 && posted[0] == 1 && posted[1] == 2 && posted[2] == 3;
        return 0;
    });
    ASSERT_TRUE(hung);
    auto other = WindowThread::start("Other", [](std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t { return 5; });
    ASSERT_TRUE(other);
    const auto windows = enumWindows();
    ASSERT_EQ(2u, windows.size());
    EXPECT_EQ(hung->window(), windows[0]);

    for (std::uintptr_t value : {1u, 2u, 3u}) EXPECT_TRUE(postMessage(hung->window(), 0x8002, value));
    ASSERT_TRUE(lmx::testing::eventually([&] { return postedCount == 3; }));
    EXPECT_EQ(1, sendMessage(hung->window(), 0x8003));

    std::thread holder([&] { sendMessage(hung->window(), 0x8001); });
    std::this_thread::sleep_for(100ms);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(sendMessageTimeout(hung->window(), 0x8004, 0, 0, 300).has_value());
    EXPECT_EQ(kErrorTimeout, lastError());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_EQ("Hung", windowTitle(hung->window()));  // read without asking the busy owner

    // The broadcast passes the hung window by and reaches the other.
    std::vector<std::intptr_t> replies;
    broadcastMessage(0x8005, 0, 0, 300, [&](const WindowRef&, std::intptr_t reply) {
        replies.push_back(reply);
        return true;
    });
    EXPECT_EQ(std::vector<std::intptr_t>{5}, replies);
    release = true;
    holder.join();

    EXPECT_EQ(registerWindowMessage("LMXDuowatch-Probe"), registerWindowMessage("lmxduowatch-PROBE"));
    EXPECT_GE(registerWindowMessage("LMXDuowatch-Probe"), 0xC000u);
}

}  // namespace
}  // namespace platform::windows
