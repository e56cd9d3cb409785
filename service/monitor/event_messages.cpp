#include "service/monitor/event_messages.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "common/service_settings.h"
#include "lang/japanese/japanese_event_texts.h"
#include "platform/library.h"
#include "platform/system_info.h"
#include "platform/win_error.h"
#include "service/monitor/message_format.h"

namespace dwsvc {

namespace {

constexpr std::size_t kMessageBufferSize = 1024;

// The library stays loaded for as long as the provider lives (one event).
class LoadedLibraryMessages final : public MessageProvider {
public:
    LoadedLibraryMessages(platform::Library library, EventlogStringFunction* function)
        : library_(std::move(library)), messages_(function) {}
    bool getMessage(int index, std::string& text) const override { return messages_.getMessage(index, text); }

private:
    platform::Library library_;
    LibraryMessages messages_;
};

// A text from the library, terminated within the buffer whatever the library wrote.
std::string callLibrary(EventlogStringFunction* function, int index, bool& found) {
    std::vector<char> buffer(kMessageBufferSize, '\0');
    found = function(index, buffer.data(), static_cast<std::int32_t>(buffer.size())) != 0;
    buffer.back() = '\0';
    return std::string(buffer.data());
}

}  // namespace

std::optional<std::string_view> japaneseMessage(int index) { return lmx::lang::japaneseEventText(index); }

std::string_view japaneseMissText() { return lmx::lang::japaneseEventMissText(); }

bool JapaneseMessages::getMessage(int index, std::string& text) const {
    const auto message = japaneseMessage(index);
    text.assign(message ? *message : japaneseMissText());
    return message.has_value();
}

bool LibraryMessages::getMessage(int index, std::string& text) const {
    bool found = false;
    std::string candidate = callLibrary(function_, index, found);
    const auto expected = japaneseMessage(index);
    if (found && expected && conversionKinds(candidate) == conversionKinds(*expected)) {
        text = std::move(candidate);
        return true;
    }
    // A miss: the library's miss text when it holds exactly one integer placeholder.
    if (found) candidate = callLibrary(function_, kMessageMissText, found);
    text = conversionKinds(candidate) == std::optional<std::string>("i") ? candidate : std::string(japaneseMissText());
    return false;
}

std::unique_ptr<MessageProvider> openMessageProvider(std::uint32_t language) {
    if (language != lmx::kLanguageEnglish) return std::make_unique<JapaneseMessages>();
    auto library = platform::Library::load("TXTRES_EN.dll");
    if (!library) {
        platform::debugOutput("DEBUG MSG: TXTRES_EN.dll open failed.");
        return std::make_unique<JapaneseMessages>();
    }
    auto* function = library->function<EventlogStringFunction>("eventlogString");
    if (!function) {
        char text[96];
        std::snprintf(text, sizeof text, "DEBUG MSG: eventlogString function open failed. err=0x%X",
                      platform::lastError());
        platform::debugOutput(text);
        return std::make_unique<JapaneseMessages>();
    }
    return std::make_unique<LoadedLibraryMessages>(std::move(*library), function);
}

}  // namespace dwsvc
