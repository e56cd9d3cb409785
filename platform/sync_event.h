#pragma once
// Unnamed events with manual or automatic reset, and a wait for any of several events with a
// time-out in milliseconds (CreateEvent / SetEvent / WaitForMultipleObjects).

#include <cstdint>
#include <initializer_list>

namespace platform {

inline constexpr std::uint32_t kWaitObject0 = 0;
inline constexpr std::uint32_t kWaitTimeout = 258;
inline constexpr std::uint32_t kInfinite = 0xFFFFFFFF;

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

}  // namespace platform
