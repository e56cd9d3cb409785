#pragma once
// An event-log entry as the systemd journal keeps it: the text, a MESSAGE_ID per kind of
// event, the priority from the event type, and the event's numbers as fields of their own,
// so that `journalctl MESSAGE_ID=...` or `journalctl LMX_PHYSICAL_DRIVE=2` finds them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/event_log.h"

namespace platform::journal {

// A stable 128-bit id (32 lower-case hex digits) for a kind of event: a fixed 96-bit prefix of
// this suite followed by the 32-bit event id, so that the id can be read off the MESSAGE_ID.
std::string messageIdFor(std::uint32_t kindId);

// The journal's priority (syslog levels) of an event type: error 3, warning 4, else 6.
int priorityFor(std::uint16_t type);

// The fields of one entry, each "NAME=value"; the text may hold line breaks.
std::vector<std::string> entryFields(std::string_view source, std::uint16_t type, std::uint32_t eventId,
                                     std::string_view text, const eventlog::EventFields& fields);

// Sends the fields to the journal; false when it cannot be reached.
bool send(const std::vector<std::string>& fields);

}  // namespace platform::journal
