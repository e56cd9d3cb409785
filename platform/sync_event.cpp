#include "platform/sync_event.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

namespace {
// Events are set rarely and waited on by a handful of threads: one lock and one condition for
// all of them keeps a wait for several events simple and free of lost wake-ups.
std::mutex gEventsLock;
std::condition_variable gEventsChanged;
}  // namespace

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
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
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
        } else if (gEventsChanged.wait_until(lock, deadline) == std::cv_status::timeout) {
            return takeSignalled();  // an event set right at the deadline still counts
        }
    }
}

}  // namespace platform
