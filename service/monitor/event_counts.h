#pragma once
// How many entries of each event id this service process has written: the metrics file's event
// counter. Written by every thread that writes events, read by the polling thread.

#include <cstdint>
#include <map>
#include <mutex>

namespace dwsvc {

class EventCounts {
public:
    void add(std::uint32_t eventId);
    std::map<std::uint32_t, std::uint64_t> snapshot() const;

private:
    mutable std::mutex lock_;
    std::map<std::uint32_t, std::uint64_t> counts_;
};

// The counts of this process (writeEvent adds to them).
EventCounts& writtenEventCounts();

}  // namespace dwsvc
