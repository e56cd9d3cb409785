#pragma once
// An event-log entry as the systemd journal keeps it: the text, the MESSAGE_ID its writer gave
// its kind, the priority from the event type, and the writer's own fields, so that
// `journalctl MESSAGE_ID=...` or a field of the writer's finds them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/event_log.h"

namespace platform::journal {

// The journal's priority (syslog levels) of an event type: error 3, warning 4, else 6.
int priorityFor(std::uint16_t type);

// The text as the system log shows it: "[0x<event id>] text".
std::string messageText(std::uint32_t eventId, std::string_view text);

// The fields of one entry, each "NAME=value"; the text may hold line breaks.
std::vector<std::string> entryFields(std::string_view source, std::uint16_t type, std::uint32_t eventId,
                                     std::string_view text, const eventlog::EventFields& fields);

}  // namespace platform::journal
