#include "service/monitor/event_writer.h"

#include <atomic>
#include <cstdio>
#include <ctime>

#include "common/service_settings.h"
#include "service/monitor/event_counts.h"
#include "service/monitor/event_ids.h"
#include "service/monitor/event_messages.h"
#include "service/monitor/service_identity.h"

namespace dwsvc {

namespace {

// This suite's prefix of every MESSAGE_ID; never to change, or saved queries stop matching.
constexpr std::string_view kMessageIdPrefix = "6e171a377c867bd06a9f5640";

std::string hex32(std::uint32_t value, bool upper) {
    char text[12];
    std::snprintf(text, sizeof text, upper ? "%08X" : "%08x", value);
    return text;
}

std::atomic<std::uint32_t> gEventLanguage{lmx::kLanguageJapanese};

class PlatformEventSink final : public EventSink {
public:
    bool toSystemLog(const LoggedEvent& event) override {
        return platform::eventlog::reportToSystemLog(kServiceName, event.type, event.eventId, event.text, event.fields);
    }
    bool toEventLog(const LoggedEvent& event) override {
        auto source = platform::eventlog::EventSource::registerSource(kServiceName);
        if (!source || !source->write(event.time, event.type, 0, event.eventId, {kServiceName, event.text})) return false;
        writtenEventCounts().add(event.eventId);
        return true;
    }
};

LoggedEvent lostEntriesNotice(std::uint64_t count, std::int64_t firstTime, std::int64_t lastTime) {
    EventTextContext context;
    context.lostCount = count;
    context.firstLostTime = firstTime;
    context.lastLostTime = lastTime;
    std::string text;
    {
        const auto messages = openMessageProvider(gEventLanguage);
        text = composeEventText(*messages, nullptr, kEventEntriesLost, context);
    }
    LoggedEvent notice = loggedEvent(text, kEventEntriesLost, platform::eventlog::kWarningType);
    // It stands where the last lost entry stood, so the log stays in the order of time.
    notice.time = lastTime;
    return notice;
}

}  // namespace

std::string messageIdFor(std::uint32_t kindId) { return std::string(kMessageIdPrefix) + hex32(kindId, false); }

LoggedEvent loggedEvent(std::string_view text, std::uint32_t eventId, std::uint16_t type,
                        const platform::eventlog::EventFields& fields) {
    LoggedEvent event;
    event.time = static_cast<std::int64_t>(std::time(nullptr));
    event.eventId = eventId;
    event.type = type;
    event.text = limitEventText(text);
    event.fields.messageId = fields.messageId.empty() ? messageIdFor(eventId) : fields.messageId;
    event.fields.fields = {{"LMX_EVENT_ID", "0x" + hex32(eventId, true)}, {"LMX_EVENT_TYPE", std::to_string(type)}};
    event.fields.fields.insert(event.fields.fields.end(), fields.fields.begin(), fields.fields.end());
    return event;
}

bool writeEvent(std::string_view text, std::uint32_t eventId, std::uint16_t type,
                const platform::eventlog::EventFields& fields) {
    return eventBacklog().write(loggedEvent(text, eventId, type, fields));
}

platform::eventlog::EventFields eventFieldsFor(const lmx::ControllerStatusRecord* record, std::uint32_t eventId) {
    platform::eventlog::EventFields fields;
    if (!record) {
        fields.messageId = messageIdFor(eventId);
        return fields;
    }
    // Per-controller entries add the physical drive number to their kind's id.
    fields.messageId = messageIdFor(eventId - record->physicalNumber);
    fields.fields = {{"LMX_PHYSICAL_DRIVE", std::to_string(record->physicalNumber)},
                     {"LMX_RAID_NUMBER", std::to_string(record->ordinal + 1)}};
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

void setEventLanguage(std::uint32_t language) { gEventLanguage = language; }

EventSink& platformEventSink() {
    static PlatformEventSink sink;
    return sink;
}

EventBacklog& eventBacklog() {
    static EventBacklog backlog(platformEventSink(), kKeptEventCapacity, lostEntriesNotice);
    return backlog;
}

}  // namespace dwsvc
