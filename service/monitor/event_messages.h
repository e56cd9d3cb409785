#pragma once
// The numbered message texts of the event log: Japanese from the service's own table, English
// from the language library's export eventlogString when the Language setting is 1.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace dwsvc {

inline constexpr int kFirstMessage = 1;
inline constexpr int kLastMessage = 20;

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
