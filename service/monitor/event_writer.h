#pragma once
// Writing entries to the event log under the service's source, and to the system log with the
// service's own fields. Entries the event log cannot take now are kept and written later
// (event_backlog.h).

#include <cstdint>
#include <string>
#include <string_view>

#include "common/controller_status_record.h"
#include "platform/event_log.h"
#include "service/monitor/event_backlog.h"
#include "service/monitor/event_text.h"

namespace dwsvc {

// How many entries the service keeps while the event log takes none.
inline constexpr std::size_t kKeptEventCapacity = 256;

// The journal's MESSAGE_ID of a kind of event: this suite's fixed 96-bit prefix followed by
// the 32-bit id of the kind, so that the id can be read off the MESSAGE_ID.
std::string messageIdFor(std::uint32_t kindId);

// writeEvent: one entry with the insertion strings ["LMXDuowatch", text], the text limited to
// kMaxEventTextBytes. False when the event log did not take it now (the system log did, and
// the entry is kept for the event log).
bool writeEvent(std::string_view text, std::uint32_t eventId, std::uint16_t type,
                const platform::eventlog::EventFields& fields = {});

// The system log's fields of an entry about `record` (none for the start and stop entries):
// the MESSAGE_ID of its kind (the id of drive 0's entry), the physical drive number and the
// RAID number as shown.
platform::eventlog::EventFields eventFieldsFor(const lmx::ControllerStatusRecord* record, std::uint32_t eventId);

// An entry at the current time, with the fields every entry of the service carries (its
// event id and type) before `fields`, and a MESSAGE_ID when `fields` has none.
LoggedEvent loggedEvent(std::string_view text, std::uint32_t eventId, std::uint16_t type,
                        const platform::eventlog::EventFields& fields = {});

// Composes the entry's text with the messages of `language` and writes it.
bool writeComposedEvent(std::uint32_t language, const lmx::ControllerStatusRecord* record, std::uint32_t eventId,
                        std::uint16_t type, const EventTextContext& context = {});

// The language of the entry that tells of lost entries (the Language setting read at start).
void setEventLanguage(std::uint32_t language);
// The platform's logs, as the service writes to them.
EventSink& platformEventSink();
// The entries of this process that wait for the event log.
EventBacklog& eventBacklog();

}  // namespace dwsvc
