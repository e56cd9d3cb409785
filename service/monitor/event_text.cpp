#include "service/monitor/event_text.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "common/controller_model.h"
#include "common/service_settings.h"
#include "common/utf8_text.h"
#include "platform/system_info.h"
#include "platform/system_time.h"
#include "platform/version_info.h"
#include "service/monitor/event_ids.h"
#include "service/monitor/message_format.h"
#include "service/monitor/service_identity.h"

namespace dwsvc {

namespace {

int raidStatusMessage(std::uint8_t raidStatus) {
    switch (raidStatus) {
        case lmx::kRaidNormal: return kMessageRaidNormal;
        case lmx::kRaidRebuilding: return kMessageRaidRebuilding;
        case lmx::kRaidRebuildStopped: return kMessageRaidRebuildStopped;
        default: return kMessageRaidError;  // error, and the undefined values above 3
    }
}

int slotStatusMessage(std::uint8_t status) {
    if (!(status & lmx::kDrivePresentBit)) return kMessageSlotMissing;
    return (status & lmx::kDriveRebuildingBit) ? kMessageSlotRebuilding : kMessageSlotNormal;
}

std::size_t slotCountOf(const lmx::ControllerStatusRecord& record) {
    return lmx::memberSlotCount(lmx::fieldText(record.raidModel));
}

enum class EventKind { Started, Stopped, PatrolMissed, EntriesLost, RegistryRestored, StatusChange, Found, Lost, PatrolStarted, PatrolNotStarted,
                       UnreadableSectors, OverTemperature, Unknown };

EventKind classify(std::uint32_t id) {
    if (id == kEventMonitoringStarted) return EventKind::Started;
    if (id == kEventMonitoringStopped) return EventKind::Stopped;
    if (id == kEventPatrolMissed) return EventKind::PatrolMissed;
    if (id == kEventEntriesLost) return EventKind::EntriesLost;
    if (id == kEventRegistryRestored) return EventKind::RegistryRestored;
    constexpr std::array<std::pair<std::uint32_t, EventKind>, 10> kPerController = {{
        {kEventStatusNormal, EventKind::StatusChange},
        {kEventStatusRebuilding, EventKind::StatusChange},
        {kEventStatusRebuildStopped, EventKind::StatusChange},
        {kEventStatusError, EventKind::StatusChange},
        {kEventControllerFound, EventKind::Found},
        {kEventControllerLost, EventKind::Lost},
        {kEventPatrolStarted, EventKind::PatrolStarted},
        {kEventPatrolNotStarted, EventKind::PatrolNotStarted},
        {kEventUnreadableSectors, EventKind::UnreadableSectors},
        {kEventOverTemperature, EventKind::OverTemperature},
    }};
    for (const auto& [base, kind] : kPerController) {
        if (id >= base && id - base < static_cast<std::uint32_t>(lmx::kPhysicalDriveCount)) return kind;
    }
    return EventKind::Unknown;
}

// Builds a text message by message; the first message the provider misses spoils the whole.
class Composer {
public:
    explicit Composer(const MessageProvider& messages) : messages_(messages) {}

    std::string message(int index) {
        std::string text;
        if (!messages_.getMessage(index, text)) missed_ = true;
        return text;
    }

    void append(int index, std::initializer_list<MessageArgument> arguments) {
        const std::string format = message(index);
        if (missed_) return;
        const auto formatted = formatMessage(format, arguments);
        if (!formatted) {
            missed_ = true;
            return;
        }
        text_ += *formatted;
    }

    void appendText(std::string_view text) { text_ += text; }
    bool missed() const { return missed_; }
    const std::string& text() const { return text_; }

private:
    const MessageProvider& messages_;
    std::string text_;
    bool missed_ = false;
};

void appendStatusBlock(Composer& composer, const lmx::ControllerStatusRecord& record) {
    const std::string raidText = composer.message(raidStatusMessage(record.raidStatus));
    composer.append(kMessageRaidStatus, {std::string_view(raidText)});
    const std::size_t slots = slotCountOf(record);
    for (std::size_t k = 0; k < slots; ++k) {
        const std::string slotText = composer.message(slotStatusMessage(record.drive[k].status));
        composer.append(kMessageSlotStatus, {static_cast<std::int64_t>(k), std::string_view(slotText)});
    }
}

void appendControllerMessage(Composer& composer, int index, const lmx::ControllerStatusRecord& record) {
    composer.append(index, {std::int64_t{record.physicalNumber}, std::int64_t{record.ordinal} + 1,
                            lmx::trimmedField(record.raidModel), lmx::trimmedField(record.raidSerial),
                            lmx::trimmedField(record.raidFirmware)});
}

std::string temperatureList(const lmx::ControllerStatusRecord& record, unsigned threshold) {
    std::string list;
    const std::size_t slots = slotCountOf(record);
    for (std::size_t k = 0; k < slots; ++k) {
        if (record.drive[k].temperature < threshold) continue;
        char line[64];
        std::snprintf(line, sizeof line, "HDD %zu: %2d C\n", k, record.drive[k].temperature);
        list += line;
    }
    return list;
}

std::string missedPatrolTime(std::uint64_t fileTime) {
    const auto time = platform::fileTimeToSystemTime(fileTime);
    char text[64];
    std::snprintf(text, sizeof text, "%4d/%02d/%02d  %02d:%02d", time.year, time.month, time.day, time.hour, time.minute);
    return text;
}

// A time of the event log's (seconds since 1970) as local wall-clock time, to the second.
std::string localTimeText(std::int64_t unixTime) {
    const auto time = platform::localTimeAt(unixTime);
    char text[64];
    std::snprintf(text, sizeof text, "%4d/%02d/%02d  %02d:%02d:%02d", time.year, time.month, time.day, time.hour,
                  time.minute, time.second);
    return text;
}

std::string missText(const MessageProvider& messages, std::uint32_t eventId) {
    std::string format;
    messages.getMessage(kMessageMissText, format);
    const std::int64_t id = eventId & 0xFFFF;
    if (auto text = formatMessage(format, {id})) return *text;
    return *formatMessage(japaneseMissText(), {id});
}

}  // namespace

std::string composeEventText(const MessageProvider& messages, const lmx::ControllerStatusRecord* record,
                             std::uint32_t eventId, const EventTextContext& context) {
    Composer composer(messages);
    const EventKind kind = classify(eventId);
    const bool needsRecord = kind != EventKind::Started && kind != EventKind::Stopped && kind != EventKind::PatrolMissed &&
                             kind != EventKind::EntriesLost && kind != EventKind::RegistryRestored;
    if (kind == EventKind::Unknown || (needsRecord && !record)) return missText(messages, eventId);

    switch (kind) {
        case EventKind::Started:
            composer.append(kMessageMonitoringStarted, {std::string_view(context.versionText)});
            break;
        case EventKind::Stopped: composer.append(kMessageMonitoringStopped, {}); break;
        case EventKind::PatrolMissed:
            composer.append(kMessagePatrolMissed, {std::string_view(missedPatrolTime(context.nextPatrolTime))});
            break;
        case EventKind::EntriesLost:
            composer.append(kMessageEntriesLost, {static_cast<std::int64_t>(context.lostCount),
                                                  std::string_view(localTimeText(context.firstLostTime)),
                                                  std::string_view(localTimeText(context.lastLostTime))});
            break;
        case EventKind::RegistryRestored: composer.append(kMessageRegistryRestored, {}); break;
        case EventKind::StatusChange:
            composer.append(kMessageStatusHeader, {});
            composer.append(kMessageDriveNumbers, {std::int64_t{record->physicalNumber}, std::int64_t{record->ordinal} + 1});
            appendStatusBlock(composer, *record);
            break;
        case EventKind::Found:
            appendControllerMessage(composer, kMessageControllerFound, *record);
            appendStatusBlock(composer, *record);
            break;
        case EventKind::Lost: appendControllerMessage(composer, kMessageControllerLost, *record); break;
        case EventKind::PatrolStarted: appendControllerMessage(composer, kMessagePatrolStarted, *record); break;
        case EventKind::PatrolNotStarted: appendControllerMessage(composer, kMessagePatrolNotStarted, *record); break;
        case EventKind::UnreadableSectors: appendControllerMessage(composer, kMessageUnreadableSectors, *record); break;
        case EventKind::OverTemperature: {
            const unsigned threshold = lmx::decodeTemperatureSetting(context.temperatureSetting).thresholdCelsius;
            composer.append(kMessageOverTemperature, {std::int64_t{record->physicalNumber}, std::int64_t{record->ordinal} + 1,
                                 std::int64_t{threshold}, std::string_view(temperatureList(*record, threshold))});
            break;
        }
        case EventKind::Unknown: break;
    }
    return composer.missed() ? missText(messages, eventId) : composer.text();
}

std::string limitEventText(std::string_view text) { return std::string(lmx::utf8Prefix(text, kMaxEventTextBytes)); }

std::string trayVersionText() {
    const std::string folder = platform::programFolder();
    if (folder.empty()) return "error";
    const auto info = platform::getFileVersionInfo(folder + std::string(kTrayProgramFile));
    if (!info) return "error";
    auto version = platform::verQueryValue(*info, "\\StringFileInfo\\041104B0\\ProductVersion");
    if (!version) return "error";
    std::replace(version->begin(), version->end(), ',', '.');
    return *version;
}

}  // namespace dwsvc
