#include "service/monitor/event_writer.h"

#include "service/monitor/event_counts.h"
#include "service/monitor/event_messages.h"
#include "service/monitor/service_identity.h"

namespace dwsvc {

bool writeEvent(std::string_view text, std::uint32_t eventId, std::uint16_t type,
                const platform::eventlog::EventFields& fields) {
    auto source = platform::eventlog::EventSource::registerSource(kServiceName);
    if (!source) return false;
    const std::string limited = limitEventText(text);
    if (!source->report(type, 0, eventId, {kServiceName, limited}, fields)) return false;
    writtenEventCounts().add(eventId);
    return true;
}

platform::eventlog::EventFields eventFieldsFor(const lmx::ControllerStatusRecord* record, std::uint32_t eventId) {
    platform::eventlog::EventFields fields;
    fields.kindId = eventId;
    if (!record) return fields;
    // Per-controller entries add the physical drive number to their kind's id.
    fields.kindId = eventId - record->physicalNumber;
    fields.physicalDrive = record->physicalNumber;
    fields.raidNumber = record->ordinal + 1;
    return fields;
}

bool writeComposedEvent(std::uint32_t language, const lmx::ControllerStatusRecord* record, std::uint32_t eventId,
                        std::uint16_t type, const EventTextContext& context) {
    std::string text;
    {
        // The language library stays loaded only while this one text is composed.
        const auto messages = openMessageProvider(language);
        text = composeEventText(*messages, record, eventId, context);
    }
    return writeEvent(text, eventId, type, eventFieldsFor(record, eventId));
}

}  // namespace dwsvc
