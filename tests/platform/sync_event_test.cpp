#include "platform/sync_event.h"

#include <gtest/gtest.h>

#include <thread>

namespace platform {
namespace {

TEST(SyncEvent, AutomaticResetIsTakenByOneWaitManualStaysSet) {
    SyncEvent automatic(SyncEvent::Reset::Automatic);
    SyncEvent manual(SyncEvent::Reset::Manual);
    EXPECT_EQ(kWaitTimeout, waitForAny({&automatic, &manual}, 0));
    automatic.set();
    EXPECT_EQ(kWaitObject0, waitForAny({&automatic, &manual}, 0));
    EXPECT_EQ(kWaitTimeout, waitForAny({&automatic}, 0));
    manual.set();
    EXPECT_EQ(kWaitObject0 + 1, waitForAny({&automatic, &manual}, 0));
    EXPECT_EQ(kWaitObject0 + 1, waitForAny({&automatic, &manual}, 0));
    manual.reset();
    EXPECT_EQ(kWaitTimeout, waitForAny({&manual}, 0));
}

TEST(SyncEvent, WaitWakesWhenAnotherThreadSets) {
    SyncEvent stop(SyncEvent::Reset::Manual);
    SyncEvent change(SyncEvent::Reset::Automatic);
    std::thread setter([&] { change.set(); });
    EXPECT_EQ(kWaitObject0, waitForAny({&change, &stop}, kInfinite));
    setter.join();
}

}  // namespace
}  // namespace platform

namespace platform {
namespace {

TEST(SyncEvent, TimeOutsFollowTheFakeClock) {
    FakeWaitClock clock;
    setWaitClock(&clock);
    SyncEvent never(SyncEvent::Reset::Manual);
    std::uint32_t result = 0;
    std::thread waiter([&] { result = waitFor(never, 10'000); });
    clock.awaitTimedWait();
    clock.advance(9'999);  // not yet
    clock.awaitTimedWait();
    clock.advance(1);
    waiter.join();
    EXPECT_EQ(kWaitTimeout, result);
    EXPECT_EQ(10'000u, clock.nowMilliseconds());
    setWaitClock(nullptr);
}

}  // namespace
}  // namespace platform
