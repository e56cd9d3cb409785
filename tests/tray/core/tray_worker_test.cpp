// The worker thread's two phases, paced by a fake wait clock.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "tray/core/tray_worker.h"

namespace lmx::tray {
namespace {

// The frame as the worker thread sees it; the test sets its answers.
class FakeHost final : public WorkerHost {
public:
    std::atomic<bool> processRunning{false};
    std::atomic<bool> ready{false};
    std::atomic<bool> loadSucceeds{false};
    std::atomic<int> firstLoads{0};
    std::atomic<int> hides{0};
    TrayWorker* worker = nullptr;

    bool isServiceProcessRunning() override { return processRunning; }
    bool isServiceReady() override { return ready; }
    void runFirstLoad() override {
        ++firstLoads;
        if (loadSucceeds) initialized = true;
        worker->firstLoadDone();
    }
    bool dataInitialized() override { return initialized; }
    SlotSummaries slotSummaries() override {
        std::lock_guard hold(lock);
        return slots;
    }
    void setTrayIcon(int iconId) override {
        std::lock_guard hold(lock);
        icons.push_back(iconId);
    }
    void hideCurrentForm() override { ++hides; }

    void setSlot(int slot, SlotSummary summary) {
        std::lock_guard hold(lock);
        slots[slot] = summary;
    }
    std::vector<int> takeIcons() {
        std::lock_guard hold(lock);
        return std::exchange(icons, {});
    }

private:
    std::atomic<bool> initialized{false};
    std::mutex lock;
    SlotSummaries slots{};
    std::vector<int> icons;
};

class TrayWorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setWaitClock(&clock);
        worker.emplace(host);
        host.worker = &*worker;
        worker->start();
        clock.awaitTimedWait();  // the first pass is done
    }
    void TearDown() override {
        worker.reset();  // joined before the clock is restored
        platform::setWaitClock(nullptr);
    }
    // Lets the thread make one more pass.
    void nextPass() {
        clock.advance(TrayWorker::kPassMilliseconds);
        clock.awaitTimedWait();
    }

    platform::FakeWaitClock clock;
    FakeHost host;
    std::optional<TrayWorker> worker;
};

TEST_F(TrayWorkerTest, WaitsForTheServiceThenFollowsTheKeptState) {
    EXPECT_EQ(std::vector<int>{kIconServiceStopped}, host.takeIcons());

    host.processRunning = true;  // running but not ready: no icon, no load
    nextPass();
    EXPECT_TRUE(host.takeIcons().empty());
    EXPECT_EQ(0, host.firstLoads);

    host.ready = true;  // ready, but the load fails: tried again on the next pass
    nextPass();
    EXPECT_EQ(1, host.firstLoads);
    nextPass();
    EXPECT_EQ(2, host.firstLoads);

    host.loadSucceeds = true;
    host.setSlot(2, {1, kRaidNormal});
    nextPass();  // loads, then the first pass of phase 2 sets the icon at once
    EXPECT_EQ(3, host.firstLoads);
    EXPECT_EQ(std::vector<int>{kIconAllWell}, host.takeIcons());

    host.setSlot(4, {1, kRaidError});
    nextPass();
    EXPECT_EQ(std::vector<int>{kIconAttention}, host.takeIcons());

    // The service goes away: icon 130 and the window hidden on every pass; no return to phase 1.
    host.processRunning = false;
    nextPass();
    nextPass();
    EXPECT_EQ((std::vector<int>{kIconServiceStopped, kIconServiceStopped}), host.takeIcons());
    EXPECT_EQ(2, host.hides);
    EXPECT_EQ(3, host.firstLoads);

    host.processRunning = true;
    nextPass();
    EXPECT_EQ(std::vector<int>{kIconAttention}, host.takeIcons());
}

}  // namespace
}  // namespace lmx::tray
