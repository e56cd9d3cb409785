#pragma once
// Unnamed events with manual or automatic reset, and a wait for any of several events with a
// time-out in milliseconds (CreateEvent / SetEvent / WaitForMultipleObjects). Time-outs are
// measured on a wait clock: the steady clock, or a test's fake clock that only moves when
// the test advances it.

#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>

namespace platform {

inline constexpr std::uint32_t kWaitObject0 = 0;
inline constexpr std::uint32_t kWaitTimeout = 258;
inline constexpr std::uint32_t kInfinite = 0xFFFFFFFF;

class WaitClock {
public:
    virtual ~WaitClock() = default;
    virtual std::uint64_t nowMilliseconds() const = 0;
    // Blocks on `changed` (with `lock` held) until notified or until the clock reaches `deadline`.
    virtual void waitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                           std::uint64_t deadline) const = 0;
};

// The clock waits use: the steady clock unless a test installed another.
const WaitClock& waitClock();
void setWaitClock(const WaitClock* clock);  // null restores the steady clock

// A clock that stands still until advanced; every wait sees the new time at once.
class FakeWaitClock final : public WaitClock {
public:
    std::uint64_t nowMilliseconds() const override;
    void waitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                   std::uint64_t deadline) const override;
    void advance(std::uint64_t milliseconds);
    // Blocks until a thread has begun a timed wait on this clock since the last advance (so a
    // test knows the waiting thread has seen the time it was given and is waiting again).
    void awaitTimedWait() const;

private:
    mutable std::mutex lock_;
    mutable std::condition_variable waitersChanged_;
    std::uint64_t now_ = 0;
    mutable std::uint64_t waitsStarted_ = 0;
    std::uint64_t waitsStartedAtAdvance_ = 0;
};

class SyncEvent {
public:
    enum class Reset { Manual, Automatic };
    explicit SyncEvent(Reset reset, bool initiallySet = false);
    SyncEvent(const SyncEvent&) = delete;
    SyncEvent& operator=(const SyncEvent&) = delete;

    void set();
    void reset();

private:
    friend std::uint32_t waitForAny(std::initializer_list<SyncEvent*>, std::uint32_t);
    const Reset reset_;
    bool signalled_;  // guarded by the events' common lock
};

// kWaitObject0 + index of the first signalled event (an automatic-reset event is reset by the
// wait that takes it), or kWaitTimeout.
std::uint32_t waitForAny(std::initializer_list<SyncEvent*> events, std::uint32_t timeoutMilliseconds);

inline std::uint32_t waitFor(SyncEvent& event, std::uint32_t timeoutMilliseconds) {
    return waitForAny({&event}, timeoutMilliseconds);
}

// Sleeps on the wait clock (Sleep).
void sleepMilliseconds(std::uint32_t milliseconds);

}  // namespace platform
