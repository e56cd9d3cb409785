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
