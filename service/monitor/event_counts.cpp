#include "service/monitor/event_counts.h"

namespace dwsvc {

void EventCounts::add(std::uint32_t eventId) {
    std::lock_guard guard(lock_);
    ++counts_[eventId];
}

std::map<std::uint32_t, std::uint64_t> EventCounts::snapshot() const {
    std::lock_guard guard(lock_);
    return counts_;
}

EventCounts& writtenEventCounts() {
    static EventCounts counts;
    return counts;
}

}  // namespace dwsvc
