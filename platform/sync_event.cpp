#include "platform/sync_event.h"

#include <atomic>
#include <chrono>

namespace platform {

namespace {

// Events are set rarely and waited on by a handful of threads: one lock and one condition for
// all of them keeps a wait for several events simple and free of lost wake-ups.
std::mutex gEventsLock;
std::condition_variable gEventsChanged;

class SteadyWaitClock final : public WaitClock {
public:
    std::uint64_t nowMilliseconds() const override {
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now().time_since_epoch())
                                              .count());
    }
    void waitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                   std::uint64_t deadline) const override {
        const auto now = nowMilliseconds();
        if (deadline > now) changed.wait_for(lock, std::chrono::milliseconds(deadline - now));
    }
};

const SteadyWaitClock gSteadyClock;
std::atomic<const WaitClock*> gClock{&gSteadyClock};

}  // namespace

const WaitClock& waitClock() { return *gClock.load(); }
void setWaitClock(const WaitClock* clock) { gClock.store(clock ? clock : &gSteadyClock); }

std::uint64_t FakeWaitClock::nowMilliseconds() const {
    std::lock_guard lock(lock_);
    return now_;
}

void FakeWaitClock::waitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                              std::uint64_t deadline) const {
    if (nowMilliseconds() >= deadline) return;
    {
        std::lock_guard count(lock_);
        ++waitsStarted_;
    }
    waitersChanged_.notify_all();
    changed.wait(lock);  // advance() notifies the events' condition
}

void FakeWaitClock::advance(std::uint64_t milliseconds) {
    {
        std::lock_guard lock(lock_);
        now_ += milliseconds;
        waitsStartedAtAdvance_ = waitsStarted_;
    }
    // Take the events' lock so that a waiter between its check and its wait cannot miss this.
    std::lock_guard events(gEventsLock);
    gEventsChanged.notify_all();
}

void FakeWaitClock::awaitTimedWait() const {
    std::unique_lock lock(lock_);
    waitersChanged_.wait(lock, [&] { return waitsStarted_ > waitsStartedAtAdvance_; });
}

SyncEvent::SyncEvent(Reset reset, bool initiallySet) : reset_(reset), signalled_(initiallySet) {}

void SyncEvent::set() {
    {
        std::lock_guard lock(gEventsLock);
        signalled_ = true;
    }
    gEventsChanged.notify_all();
}

void SyncEvent::reset() {
    std::lock_guard lock(gEventsLock);
    signalled_ = false;
}

std::uint32_t waitForAny(std::initializer_list<SyncEvent*> events, std::uint32_t timeoutMilliseconds) {
    const WaitClock& clock = waitClock();
    const std::uint64_t deadline = clock.nowMilliseconds() + timeoutMilliseconds;
    std::unique_lock lock(gEventsLock);
    const auto takeSignalled = [&]() -> std::uint32_t {
        std::uint32_t index = 0;
        for (SyncEvent* event : events) {
            if (event->signalled_) {
                if (event->reset_ == SyncEvent::Reset::Automatic) event->signalled_ = false;
                return kWaitObject0 + index;
            }
            ++index;
        }
        return kWaitTimeout;
    };
    for (;;) {
        if (const auto taken = takeSignalled(); taken != kWaitTimeout) return taken;
        if (timeoutMilliseconds == kInfinite) {
            gEventsChanged.wait(lock);
            continue;
        }
        if (clock.nowMilliseconds() >= deadline) return kWaitTimeout;
        clock.waitUntil(gEventsChanged, lock, deadline);
    }
}

void sleepMilliseconds(std::uint32_t milliseconds) {
    SyncEvent never(SyncEvent::Reset::Manual);
    waitFor(never, milliseconds);
}

}  // namespace platform
