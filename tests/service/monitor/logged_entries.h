#pragma once
// Entries for the event backlog's tests: an entry with its id and time, and the notice of lost
// entries as the tests compose it.

#include <cstdint>
#include <string>

#include "platform/event_log.h"
#include "service/monitor/event_backlog.h"
#include "service/monitor/event_ids.h"

namespace dwsvc::testing {

inline LoggedEvent entry(std::uint32_t id, std::int64_t time) {
    LoggedEvent event;
    event.eventId = id;
    event.time = time;
    event.type = platform::eventlog::kInformationType;
    event.text = "entry " + std::to_string(id);
    return event;
}

inline LoggedEvent noticeOf(std::uint64_t count, std::int64_t first, std::int64_t last) {
    LoggedEvent notice = entry(kEventEntriesLost, last);
    notice.text = std::to_string(count) + " lost from " + std::to_string(first) + " to " + std::to_string(last);
    return notice;
}

}  // namespace dwsvc::testing
