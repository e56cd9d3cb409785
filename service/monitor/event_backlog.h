#pragma once
// Entries the event log could not take (a full disk, a read-only file system, a log that
// cannot be created): each reaches the system log at once and is kept in memory, at most a
// fixed number, to be written to the event log in order, with the time it happened, before the
// next entry the log takes. Entries that did not fit, or were still kept when the service
// stopped, are told by one entry of their own: how many, and between which times.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "platform/event_log.h"

namespace dwsvc {

struct LoggedEvent {
    std::int64_t time = 0;  // seconds since 1970, UTC
    std::uint32_t eventId = 0;
    std::uint16_t type = 0;
    std::string text;
    platform::eventlog::EventFields fields;
};

// Where entries go: the platform's logs, or a test's.
class EventSink {
public:
    virtual ~EventSink() = default;
    virtual bool toSystemLog(const LoggedEvent& event) = 0;
    virtual bool toEventLog(const LoggedEvent& event) = 0;
};

// The entry that tells of `count` lost entries, the first at `firstTime`, the last at `lastTime`.
using LostEntriesNotice = std::function<LoggedEvent(std::uint64_t count, std::int64_t firstTime, std::int64_t lastTime)>;

class EventBacklog {
public:
    EventBacklog(EventSink& sink, std::size_t capacity, LostEntriesNotice notice);

    // The entry to the system log, and to the event log after the ones kept before it; kept
    // when the event log does not take it (the oldest kept one goes when none is free). True
    // when the event log has it.
    bool write(const LoggedEvent& event);
    // Writes what is kept; true when nothing is left.
    bool flush();
    // At the service's stop: writes what is kept; what is left is lost, and the notice of the
    // lost entries goes to the event log if it takes it, else to the system log.
    void close();
    std::size_t keptCount() const;

private:
    bool flushLocked();
    void loseLocked(const LoggedEvent& event);

    EventSink& sink_;
    const std::size_t capacity_;
    LostEntriesNotice notice_;
    mutable std::mutex lock_;
    std::deque<LoggedEvent> kept_;
    std::uint64_t lost_ = 0;
    std::int64_t firstLost_ = 0;
    std::int64_t lastLost_ = 0;
};

}  // namespace dwsvc
