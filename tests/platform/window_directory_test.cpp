#include "platform/window_directory.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/ipc_errors.h"
#include "platform/linux/window_folder.h"
#include "platform/win_error.h"
#include "tests/support/temp_root.h"

namespace platform::windows {
namespace {

using namespace std::chrono_literals;

constexpr std::string_view kTrayTitle = "LMX Duowatch Service Tray Control";

struct Call {
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::thread::id thread;
    friend bool operator==(const Call&, const Call&) = default;
};

// Records what a window procedure received, from whichever thread it runs on.
class Recorder {
public:
    WindowProcedure procedure(std::intptr_t result = 0) {
        return [this, result](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
            std::lock_guard lock(mutex_);
            calls_.push_back({message, wParam, lParam, std::this_thread::get_id()});
            return result;
        };
    }
    std::vector<Call> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
};

// Dispatches `window` on this thread until `done` holds, or gives up after a long while.
template <typename Done>
bool dispatchUntil(Window& window, Done done) {
    const auto giveUp = std::chrono::steady_clock::now() + 20s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        pollfd ready{static_cast<int>(window.descriptor()), POLLIN, 0};  // a file descriptor on Linux
        if (::poll(&ready, 1, 20) > 0) window.dispatchPending();
    }
    return true;
}

class WindowDirectoryTest : public ::testing::Test {
protected:
    lmx::testing::TempRoot root;
    static std::filesystem::path windowsFolder() { return folder::userFolder().value_or("/nonexistent") / "windows"; }
};

TEST_F(WindowDirectoryTest, WindowIsFoundByTitleAndAnswersOnItsOwnThread) {
    Recorder recorder;
    auto window = WindowThread::start(kTrayTitle, [inner = recorder.procedure()](std::uint32_t m, std::uintptr_t w, std::intptr_t l) {
        inner(m, w, l);
        return static_cast<std::intptr_t>(m) + static_cast<std::intptr_t>(w) + l;
    });
    ASSERT_NE(nullptr, window);

    const auto found = findWindow("lmx duowatch SERVICE tray control");
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(window->window(), *found);
    EXPECT_EQ(static_cast<std::uint32_t>(::getpid()), found->processId);
    EXPECT_EQ(std::string(kTrayTitle), windowTitle(*found));

    const auto result = sendMessage(*found, 0x8001, 7, -3);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(0x8001 + 7 - 3, *result);
    const auto calls = recorder.calls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(0x8001u, calls[0].message);
    EXPECT_EQ(7u, calls[0].wParam);
    EXPECT_EQ(-3, calls[0].lParam);
    EXPECT_NE(std::this_thread::get_id(), calls[0].thread);
}

TEST_F(WindowDirectoryTest, TitlesWithAnyCharactersAreKeptApart) {
    const std::vector<std::string> titles = {"a b", "a/b", "../x", "a\\b", "名前 ウィンドウ", std::string(300, 'T'), "x\ny"};
    std::vector<std::unique_ptr<WindowThread>> windows;
    Recorder recorder;
    for (const auto& title : titles) {
        windows.push_back(WindowThread::start(title, recorder.procedure()));
        ASSERT_NE(nullptr, windows.back()) << title;
    }
    for (std::size_t i = 0; i < titles.size(); ++i) {
        const auto found = findWindow(titles[i]);
        ASSERT_TRUE(found.has_value()) << titles[i];
        EXPECT_EQ(windows[i]->window(), *found) << titles[i];
        EXPECT_EQ(titles[i], windowTitle(*found));
    }
    EXPECT_FALSE(findWindow("a").has_value());
    EXPECT_EQ(titles.size(), enumWindows().size());
    // Oldest first.
    EXPECT_EQ(windows.front()->window(), enumWindows().front());
}

TEST_F(WindowDirectoryTest, SessionFolderIsTheUsersOwn) {
    auto window = Window::create("Mine", [](std::uint32_t, std::uintptr_t, std::intptr_t) { return std::intptr_t{0}; });
    ASSERT_NE(nullptr, window);
    const auto own = folder::userFolder();
    ASSERT_TRUE(own.has_value());
    struct stat facts{};
    ASSERT_EQ(0, ::lstat(own->c_str(), &facts));
    EXPECT_EQ(0700u, facts.st_mode & 07777);
    EXPECT_EQ(::geteuid(), facts.st_uid);
    window.reset();

    if (::geteuid() != 0) GTEST_SKIP() << "root's folder and planting another user's need root";
    // Root's is made by root in the sessions folder, which only root writes.
    EXPECT_EQ(root.path() / "sessions" / "0", *own);
    ASSERT_EQ(0, ::stat((root.path() / "sessions").c_str(), &facts));
    EXPECT_EQ(0755u, facts.st_mode & 07777);
    // A folder that another user made under root's number (the sessions folder's older layout
    // let every user make folders) is set aside unentered, and root goes on in a new one.
    std::filesystem::remove_all(*own);
    std::filesystem::create_directories(*own / "windows");
    ASSERT_EQ(0, ::chown(own->c_str(), 65534, 65534));
    EXPECT_NE(nullptr, Window::create("Mine", [](std::uint32_t, std::uintptr_t, std::intptr_t) { return std::intptr_t{0}; }));
    ASSERT_EQ(0, ::lstat(own->c_str(), &facts));
    EXPECT_EQ(0u, facts.st_uid);
    int setAside = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root.path() / "sessions")) {
        if (entry.path().filename().string().starts_with(".planted-0-uid65534-")) {
            ++setAside;
            EXPECT_TRUE(std::filesystem::is_empty(entry.path() / "windows"));
        }
    }
    EXPECT_EQ(1, setAside);
}

TEST_F(WindowDirectoryTest, PostedMessagesWaitForTheOwnersLoopAndKeepTheirOrder) {
    Recorder recorder;
    auto window = Window::create("Loop", recorder.procedure());
    ASSERT_NE(nullptr, window);
    std::thread poster([ref = window->ref()] {
        for (std::uint32_t message = 1; message <= 3; ++message) EXPECT_TRUE(postMessage(ref, 0x8000 + message, message, 0));
    });
    poster.join();
    EXPECT_TRUE(recorder.calls().empty());  // nothing runs until the owner dispatches
    ASSERT_TRUE(dispatchUntil(*window, [&] { return recorder.calls().size() >= 3; }));
    const auto calls = recorder.calls();
    ASSERT_EQ(3u, calls.size());
    for (std::uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(0x8001 + i, calls[i].message);
        EXPECT_EQ(std::this_thread::get_id(), calls[i].thread);
    }
}

TEST_F(WindowDirectoryTest, SendWaitsForTheOwnersDispatchOrCallsDirectlyFromIt) {
    Recorder recorder;
    auto window = Window::create("Owner", recorder.procedure(42));
    ASSERT_NE(nullptr, window);
    // From the owner's own thread the procedure runs at once.
    EXPECT_EQ(42, sendMessage(window->ref(), 0x8017));
    ASSERT_EQ(1u, recorder.calls().size());

    std::atomic<bool> answered{false};
    std::optional<std::intptr_t> result;
    std::thread sender([&, ref = window->ref()] {
        result = sendMessage(ref, 0x8013, 1, 2);
        answered = true;
    });
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(answered.load());
    ASSERT_TRUE(dispatchUntil(*window, [&] { return answered.load(); }));
    sender.join();
    EXPECT_EQ(42, result);
    const auto calls = recorder.calls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ((Call{0x8013, 1, 2, std::this_thread::get_id()}), calls[1]);
}

TEST_F(WindowDirectoryTest, DestroyedAndOrphanedWindowsAreGone) {
    Recorder recorder;
    auto window = WindowThread::start("Short-lived", recorder.procedure());
    ASSERT_NE(nullptr, window);
    const auto ref = window->window();
    window.reset();
    EXPECT_FALSE(findWindow("Short-lived").has_value());
    EXPECT_FALSE(sendMessage(ref, 0x8001).has_value());
    EXPECT_EQ(kErrorInvalidWindowHandle, lastError());
    EXPECT_FALSE(postMessage(ref, 0x8001));
    EXPECT_FALSE(windowTitle(ref).has_value());

    // A process that ends without destroying its window leaves files behind.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto orphan = Window::create("Orphan", [](std::uint32_t, std::uintptr_t, std::intptr_t) { return std::intptr_t{0}; });
        ::_exit(orphan ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_FALSE(std::filesystem::is_empty(windowsFolder()));
    EXPECT_FALSE(findWindow("Orphan").has_value());
    EXPECT_TRUE(enumWindows().empty());
    EXPECT_TRUE(std::filesystem::is_empty(windowsFolder()));
}

TEST_F(WindowDirectoryTest, SendToAHungWindowTimesOutAndTheWindowLivesOn) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> handled{0};
    auto window = WindowThread::start("Hung", [&, released](std::uint32_t message, std::uintptr_t, std::intptr_t) {
        if (message == 1) released.wait();
        ++handled;
        return std::intptr_t{7};
    });
    ASSERT_NE(nullptr, window);
    EXPECT_FALSE(sendMessageTimeout(window->window(), 1, 0, 0, 100).has_value());
    EXPECT_EQ(kErrorTimeout, lastError());
    release.set_value();
    EXPECT_EQ(7, sendMessage(window->window(), 2));
    EXPECT_EQ(2, handled.load());
}

TEST_F(WindowDirectoryTest, BroadcastVisitsWindowsUntilTheAnswerSought) {
    const auto registered = registerWindowMessage("LMXDuowatchControl-SingleInstance-UWM_RU12");
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    auto hung = WindowThread::start("Hung", [released](std::uint32_t, std::uintptr_t, std::intptr_t) {
        released.wait();
        return std::intptr_t{0};
    });
    Recorder silent;
    Recorder answering;
    Recorder last;
    auto first = WindowThread::start("Silent", silent.procedure(0));
    auto second = WindowThread::start("Answering", answering.procedure(registered));
    auto third = WindowThread::start("Last", last.procedure(registered));
    ASSERT_TRUE(hung && first && second && third);

    std::vector<WindowRef> visited;
    broadcastMessage(registered, 0, 0, 100, [&](const WindowRef& window, std::intptr_t reply) {
        visited.push_back(window);
        return reply != static_cast<std::intptr_t>(registered);
    });
    release.set_value();
    EXPECT_EQ((std::vector<WindowRef>{first->window(), second->window()}), visited);
    ASSERT_EQ(1u, silent.calls().size());
    EXPECT_EQ(registered, silent.calls()[0].message);
    EXPECT_TRUE(last.calls().empty());
}

TEST(RegisterWindowMessage, NamesGiveStableNumbersInTheRegisteredRange) {
    const auto number = registerWindowMessage("LMXDuowatchControl-SingleInstance-UWM_RU12");
    EXPECT_GE(number, 0xC000u);
    EXPECT_LE(number, 0xFFFFu);
    EXPECT_EQ(number, registerWindowMessage("lmxduowatchcontrol-singleinstance-uwm_ru12"));
    EXPECT_NE(number, registerWindowMessage("LMXDuowatchControl-SingleInstance-UWM_RU13"));
}

}  // namespace
}  // namespace platform::windows
