#pragma once
// The numbered message texts of the event log: Japanese from the table in lang/japanese, English
// from the language library's export eventlogString when the Language setting is 1.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace dwsvc {

inline constexpr int kFirstMessage = 1;
inline constexpr int kLastMessage = 22;

// The messages by number, as the service's table and the language library number them.
inline constexpr int kMessageStatusHeader = 1;
inline constexpr int kMessageDriveNumbers = 2;     // physical drive, RAID number
inline constexpr int kMessageRaidStatus = 3;       // the text of one of the four below
inline constexpr int kMessageRaidNormal = 4;
inline constexpr int kMessageRaidRebuilding = 5;
inline constexpr int kMessageRaidRebuildStopped = 6;
inline constexpr int kMessageRaidError = 7;
inline constexpr int kMessageSlotStatus = 8;       // slot, the text of one of the three below
inline constexpr int kMessageSlotNormal = 9;
inline constexpr int kMessageSlotRebuilding = 10;
inline constexpr int kMessageSlotMissing = 11;
inline constexpr int kMessageMonitoringStarted = 12;  // version
inline constexpr int kMessageMonitoringStopped = 13;
inline constexpr int kMessageControllerFound = 14;    // drive, RAID number, model, serial, firmware
inline constexpr int kMessageControllerLost = 15;     // the same
inline constexpr int kMessagePatrolStarted = 16;      // the same
inline constexpr int kMessagePatrolMissed = 17;       // the missed time
inline constexpr int kMessagePatrolNotStarted = 18;   // drive, RAID number, model, serial, firmware
inline constexpr int kMessageOverTemperature = 19;    // drive, RAID number, threshold, list of slots
inline constexpr int kMessageUnreadableSectors = 20;  // drive, RAID number, model, serial, firmware
inline constexpr int kMessageEntriesLost = 21;        // count, time of the first, time of the last
inline constexpr int kMessageRegistryRestored = 22;
// No message has this number: asking for it gives the provider's miss text, with one
// placeholder for the low 16 bits of the event id.
inline constexpr int kMessageMissText = 0;

// The Japanese text of a message, or empty for an index outside the table.
std::optional<std::string_view> japaneseMessage(int index);
// The Japanese miss text, with one placeholder for the 16-bit event id.
std::string_view japaneseMissText();

class MessageProvider {
public:
    virtual ~MessageProvider() = default;
    // getMessage: the text of `index`. On a miss, `text` receives the provider's miss text
    // (one "%04X"-like placeholder) and the result is false.
    virtual bool getMessage(int index, std::string& text) const = 0;
};

class JapaneseMessages final : public MessageProvider {
public:
    bool getMessage(int index, std::string& text) const override;
};

// The export of the language library: (index, buffer, buffer size) → nonzero on success.
using EventlogStringFunction = std::uint8_t(std::int32_t index, char* buffer, std::int32_t bufferSize);

// Texts from eventlogString. A text whose placeholders differ from the Japanese message of the
// same index counts as a miss, so that a faulty library cannot make the service format
// arguments that are not there.
class LibraryMessages final : public MessageProvider {
public:
    explicit LibraryMessages(EventlogStringFunction* function) : function_(function) {}
    bool getMessage(int index, std::string& text) const override;

private:
    EventlogStringFunction* function_;
};

// The provider for one event, by the Language value read at start: 1 loads "TXTRES_EN.dll"
// for the event and releases it with the provider; when the library or its export is missing
// (reported on the debug output) and for any other value, the Japanese table.
std::unique_ptr<MessageProvider> openMessageProvider(std::uint32_t language);

}  // namespace dwsvc
