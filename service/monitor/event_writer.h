#pragma once
// Writing entries to the event log under the service's source.

#include <cstdint>
#include <string_view>

#include "common/controller_status_record.h"
#include "platform/event_log.h"
#include "service/monitor/event_text.h"

namespace dwsvc {

// writeEvent: one entry with the insertion strings ["LMXDuowatch", text], the text limited to
// kMaxEventTextBytes. False when the event source cannot be registered (the entry is lost).
bool writeEvent(std::string_view text, std::uint32_t eventId, std::uint16_t type,
                const platform::eventlog::EventFields& fields = {});

// The system log's fields of an entry about `record` (none for the start and stop entries):
// its kind (the id of drive 0's entry), the physical drive number and the RAID number as shown.
platform::eventlog::EventFields eventFieldsFor(const lmx::ControllerStatusRecord* record, std::uint32_t eventId);

// Composes the entry's text with the messages of `language` and writes it.
bool writeComposedEvent(std::uint32_t language, const lmx::ControllerStatusRecord* record, std::uint32_t eventId,
                        std::uint16_t type, const EventTextContext& context = {});

}  // namespace dwsvc
