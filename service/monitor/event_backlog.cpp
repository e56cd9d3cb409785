#include "service/monitor/event_backlog.h"

namespace dwsvc {

EventBacklog::EventBacklog(EventSink& sink, std::size_t capacity, LostEntriesNotice notice)
    : sink_(sink), capacity_(capacity), notice_(std::move(notice)) {}

bool EventBacklog::write(const LoggedEvent& event) {
    std::lock_guard lock(lock_);
    sink_.toSystemLog(event);
    if (flushLocked() && sink_.toEventLog(event)) return true;
    if (capacity_ == 0) {
        loseLocked(event);
        return false;
    }
    if (kept_.size() >= capacity_) {
        loseLocked(kept_.front());
        kept_.pop_front();
    }
    kept_.push_back(event);
    return false;
}

bool EventBacklog::flush() {
    std::lock_guard lock(lock_);
    return flushLocked();
}

void EventBacklog::close() {
    std::lock_guard lock(lock_);
    if (flushLocked()) return;
    for (const auto& event : kept_) loseLocked(event);
    kept_.clear();
    const LoggedEvent notice = notice_(lost_, firstLost_, lastLost_);
    lost_ = 0;
    if (!sink_.toEventLog(notice)) sink_.toSystemLog(notice);
}

std::size_t EventBacklog::keptCount() const {
    std::lock_guard lock(lock_);
    return kept_.size();
}

bool EventBacklog::flushLocked() {
    // The lost entries were older than the kept ones: their notice comes first.
    if (lost_ > 0) {
        const LoggedEvent notice = notice_(lost_, firstLost_, lastLost_);
        if (!sink_.toEventLog(notice)) return false;
        sink_.toSystemLog(notice);
        lost_ = 0;
    }
    while (!kept_.empty()) {
        if (!sink_.toEventLog(kept_.front())) return false;
        kept_.pop_front();
    }
    return true;
}

void EventBacklog::loseLocked(const LoggedEvent& event) {
    if (lost_ == 0) firstLost_ = event.time;
    lastLost_ = event.time;
    ++lost_;
}

}  // namespace dwsvc
