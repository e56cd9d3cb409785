#pragma once
// `lmxpipe events`: the service's event log, as text for people or JSON for scripts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/event_log.h"

namespace lmxpipe {

// A --since value as seconds since 1970: "@SECONDS", or a local time "YYYY-MM-DD" or
// "YYYY-MM-DD hh:mm[:ss]" (also with 'T' between date and time). Empty when it is none of these.
std::optional<std::int64_t> parseSince(std::string_view text);

// The entries written at or after `since`, oldest first.
std::vector<platform::eventlog::EventRecord> entriesSince(const std::vector<platform::eventlog::EventRecord>& entries,
                                                          std::int64_t since);

// One block per entry: "#N  YYYY-MM-DD hh:mm:ss  0xXXXXXXXX  type" and the text, indented.
std::string eventsText(const std::vector<platform::eventlog::EventRecord>& entries);
// A JSON array of objects: recordNumber, time, timeUtc, source, eventId, eventIdHex, type,
// typeName, category, text.
std::string eventsJson(const std::vector<platform::eventlog::EventRecord>& entries);

// `lmxpipe events [--since TIME] [--json]` from its arguments after "events"; the exit status.
int runEventsCommand(const std::vector<std::string_view>& arguments);

}  // namespace lmxpipe
