#include "service/monitor/event_writer.h"

#include "platform/event_log.h"
#include "service/monitor/event_messages.h"
#include "service/monitor/service_identity.h"

namespace dwsvc {

bool writeEvent(std::string_view text, std::uint32_t eventId, std::uint16_t type) {
    auto source = platform::eventlog::EventSource::registerSource(kServiceName);
    if (!source) return false;
    const std::string limited = limitEventText(text);
    return source->report(type, 0, eventId, {kServiceName, limited});
}

bool writeComposedEvent(std::uint32_t language, const lmx::ControllerStatusRecord* record, std::uint32_t eventId,
                        std::uint16_t type, const EventTextContext& context) {
    std::string text;
    {
        // The language library stays loaded only while this one text is composed.
        const auto messages = openMessageProvider(language);
        text = composeEventText(*messages, record, eventId, context);
    }
    return writeEvent(text, eventId, type);
}

}  // namespace dwsvc
