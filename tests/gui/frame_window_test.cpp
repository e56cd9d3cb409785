#include "gui/frame_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "common/tray_messages.h"
#include "tests/gui/test_application.h"
#include "tests/support/temp_root.h"

namespace lmx::gui {
namespace {

struct Call {
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::thread::id thread;
};

// A procedure that records its calls and answers wParam + lParam.
class Recorder {
public:
    platform::windows::WindowProcedure procedure() {
        return [this](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
            std::lock_guard lock(mutex_);
            calls_.push_back({message, wParam, lParam, std::this_thread::get_id()});
            return static_cast<std::intptr_t>(wParam) + lParam;
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

// Runs the event loop until `done` holds; false if that does not happen within a long while.
template <typename Done>
bool processEventsUntil(Done done) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

constexpr std::string_view kTitle = lmx::tray::kMainWindowTitle;

class FrameWindowTest : public ::testing::Test {
protected:
    void SetUp() override { testing::testApplication(); }
};

TEST_F(FrameWindowTest, SendFromItsOwnThreadCallsTheProcedureAtOnce) {
    Recorder recorder;
    const auto frame = createFrameWindow(kTitle, recorder.procedure());
    EXPECT_EQ(frame->sendMessage(lmx::tray::UWM_SHOW_INFO, 2, 3), 5);
    ASSERT_EQ(recorder.calls().size(), 1u);
    EXPECT_EQ(recorder.calls()[0].message, lmx::tray::UWM_SHOW_INFO);
    EXPECT_EQ(recorder.calls()[0].thread, std::this_thread::get_id());
}

TEST_F(FrameWindowTest, SendFromAnotherThreadBlocksUntilTheFrameThreadHandledIt) {
    std::atomic<bool> handled{false};
    std::thread::id handlerThread;
    const auto frame = createFrameWindow(kTitle, [&](std::uint32_t message, std::uintptr_t wParam, std::intptr_t) -> std::intptr_t {
        if (message == kTimerMessage) return 0;
        handlerThread = std::this_thread::get_id();
        handled = true;
        return message == lmx::tray::UWM_INIT_DATA ? static_cast<std::intptr_t>(wParam) * 2 : -1;
    });
    std::atomic<bool> done{false};
    std::optional<std::intptr_t> result;
    bool handledBeforeReturn = false;
    frame->setWindowTimer(1, 1);  // keeps the loop turning; irrelevant to the procedure's answer
    std::thread worker([&] {
        result = frame->sendMessage(lmx::tray::UWM_INIT_DATA, 21, 0);
        handledBeforeReturn = handled.load();
        done = true;
    });
    EXPECT_TRUE(processEventsUntil([&] { return done.load(); }));
    worker.join();
    frame->killWindowTimer(1);
    EXPECT_EQ(result, 42);
    EXPECT_TRUE(handledBeforeReturn);
    EXPECT_EQ(handlerThread, std::this_thread::get_id());
}

TEST_F(FrameWindowTest, PostedMessagesRunLaterOnTheFrameThread) {
    Recorder recorder;
    const auto frame = createFrameWindow(kTitle, recorder.procedure());
    std::thread worker([&] { frame->postMessage(lmx::tray::UWM_SVC_NOTIFY, 1, 0); });
    worker.join();
    frame->postMessage(lmx::tray::UWM_SVC_STOPPING);
    EXPECT_TRUE(recorder.calls().empty());
    EXPECT_TRUE(processEventsUntil([&] { return recorder.calls().size() == 2; }));
    const auto calls = recorder.calls();
    EXPECT_EQ(calls[0].message, lmx::tray::UWM_SVC_NOTIFY);
    EXPECT_EQ(calls[1].message, lmx::tray::UWM_SVC_STOPPING);
    EXPECT_EQ(calls[0].thread, std::this_thread::get_id());
}

TEST_F(FrameWindowTest, TimersDeliverWmTimerWithTheirIdUntilKilled) {
    std::vector<std::uintptr_t> fired;
    FrameWindow* self = nullptr;
    const auto frame = createFrameWindow(kTitle, [&](std::uint32_t message, std::uintptr_t wParam, std::intptr_t) -> std::intptr_t {
        if (message != kTimerMessage) return 0;
        fired.push_back(wParam);
        self->killWindowTimer(wParam);  // as the pop-up time-out does: fire once
        return 0;
    });
    self = frame.get();
    frame->setWindowTimer(100, 5);
    frame->setWindowTimer(103, 5);
    frame->setWindowTimer(105, 5);
    EXPECT_TRUE(frame->killWindowTimer(105));
    EXPECT_FALSE(frame->killWindowTimer(105));
    EXPECT_TRUE(frame->hasWindowTimer(100));
    EXPECT_TRUE(processEventsUntil([&] { return fired.size() == 2; }));
    std::sort(fired.begin(), fired.end());
    EXPECT_EQ(fired, (std::vector<std::uintptr_t>{100, 103}));
    EXPECT_FALSE(frame->hasWindowTimer(100));
    EXPECT_FALSE(frame->hasWindowTimer(103));
}

TEST_F(FrameWindowTest, OtherThreadsReachItThroughTheWindowDirectoryByTitle) {
    lmx::testing::TempRoot root;
    Recorder recorder;
    const auto frame = createFrameWindow(kTitle, recorder.procedure());
    ASSERT_TRUE(frame->registerInDirectory());
    const auto found = platform::windows::findWindow(lmx::tray::kMainWindowTitle);
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, frame->directoryRef());

    std::atomic<bool> done{false};
    std::optional<std::intptr_t> result;
    std::thread sender([&] {
        result = platform::windows::sendMessage(*found, lmx::tray::UWM_SVC_NOTIFY, 40, 2);
        done = true;
    });
    EXPECT_TRUE(processEventsUntil([&] { return done.load(); }));
    sender.join();
    EXPECT_EQ(result, 42);
    ASSERT_EQ(recorder.calls().size(), 1u);
    EXPECT_EQ(recorder.calls()[0].thread, std::this_thread::get_id());
}

TEST_F(FrameWindowTest, AnotherProcessSendsAndReceivesTheProcedureResult) {
    lmx::testing::TempRoot root;
    Recorder recorder;
    const auto frame = createFrameWindow(kTitle, recorder.procedure());
    ASSERT_TRUE(frame->registerInDirectory());

    QProcess sender;
    sender.setProgram(QString::fromStdString((lmx::testing::programsFolder() / "gui_window_sender").string()));
    sender.setArguments({QString::fromUtf8(kTitle.data(), static_cast<qsizetype>(kTitle.size())), QStringLiteral("0x8001"),
                         QStringLiteral("7"), QStringLiteral("5")});
    sender.start();
    // The frame answers while this loop runs; waitForFinished would block it.
    EXPECT_TRUE(processEventsUntil([&] { return sender.state() == QProcess::NotRunning; }));
    EXPECT_EQ(sender.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sender.exitCode(), 0);
    EXPECT_EQ(sender.readAllStandardOutput().trimmed(), QByteArray("12"));
    ASSERT_EQ(recorder.calls().size(), 1u);
    EXPECT_EQ(recorder.calls()[0].message, lmx::tray::UWM_SVC_NOTIFY);
    EXPECT_EQ(recorder.calls()[0].wParam, 7u);
    EXPECT_EQ(recorder.calls()[0].lParam, 5);
}

TEST_F(FrameWindowTest, IsGoneFromTheDirectoryWithTheFrame) {
    lmx::testing::TempRoot root;
    {
        const auto frame = createFrameWindow(kTitle, nullptr);
        ASSERT_TRUE(frame->registerInDirectory());
        EXPECT_TRUE(platform::windows::findWindow(lmx::tray::kMainWindowTitle));
    }
    EXPECT_FALSE(platform::windows::findWindow(lmx::tray::kMainWindowTitle));
}

}  // namespace
}  // namespace lmx::gui
