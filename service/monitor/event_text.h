#pragma once
// The text of each event-log entry, composed from the message texts and a status record.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/controller_status_record.h"
#include "service/monitor/event_messages.h"

namespace dwsvc {

// The event log takes at most this many bytes of text.
inline constexpr std::size_t kMaxEventTextBytes = 1027;

// What some entries name besides the record.
struct EventTextContext {
    std::string versionText;           // monitoring started
    std::uint64_t nextPatrolTime = 0;  // patrol missed: local FILETIME of the missed patrol
    std::uint32_t temperatureSetting = 0;  // over temperature: bits 8-15 are the threshold
    // entries lost: how many, and the times of the first and the last (seconds since 1970)
    std::uint64_t lostCount = 0;
    std::int64_t firstLostTime = 0;
    std::int64_t lastLostTime = 0;
};

// composeEventText: the whole text of the entry `eventId`, from `record` (none for the start,
// stop and patrol-missed entries). When the provider misses a message the entry needs, the
// text is the provider's miss text with the low 16 bits of the id.
std::string composeEventText(const MessageProvider& messages, const lmx::ControllerStatusRecord* record,
                             std::uint32_t eventId, const EventTextContext& context);

// At most kMaxEventTextBytes, never cut inside a UTF-8 character.
std::string limitEventText(std::string_view text);

// The product version of the tray application's program file in the service's folder, with
// every "," replaced by "."; "error" when the file or its version is missing.
std::string trayVersionText();

}  // namespace dwsvc
