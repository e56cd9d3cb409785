#pragma once
// The entries of the application log as ReadEventLogW hands them over: EVENTLOGRECORDs one after
// another in a buffer, each with its source's name and its insertion strings in UTF-16.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/event_log.h"

namespace platform::win32 {

// The records in `bytes` of the event source `source` (its name in the log) after record number
// `after`, appended to `into`, the source given as `reportedSource`. A record that does not fit
// its own length, or the buffer, ends the decoding; false then.
bool decodeEventRecords(const std::uint8_t* bytes, std::size_t size, std::wstring_view source, std::int64_t after,
                        std::string_view reportedSource, std::vector<eventlog::EventRecord>& into);

}  // namespace platform::win32
