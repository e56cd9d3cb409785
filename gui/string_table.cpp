#include "gui/string_table.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "lang/japanese/japanese_strings.h"
#include "platform/library.h"

namespace lmx::gui {

namespace {

using LoadStringResource = std::uint8_t(std::int32_t id, char* buffer, std::int32_t size);

// Large enough for the longest text of the table (the pop-up alerts build into 512 characters).
constexpr std::int32_t kStringBufferSize = 4096;

struct LanguageState {
    std::mutex mutex;
    std::optional<platform::Library> library;
    LoadStringResource* loadStringResource = nullptr;
};

LanguageState& state() {
    // Kept for the life of the process: the library is loaded once and never freed.
    static auto* languageState = new LanguageState;
    return *languageState;
}

}  // namespace

bool useLanguageLibrary(std::string_view name) {
    LanguageState& language = state();
    std::lock_guard lock(language.mutex);
    if (language.loadStringResource) return true;
    auto library = platform::Library::load(name);
    if (!library) return false;
    auto* function = library->function<LoadStringResource>("loadStringResource");
    if (!function) return false;
    language.library = std::move(library);
    language.loadStringResource = function;
    return true;
}

bool languageLibraryLoaded() {
    LanguageState& language = state();
    std::lock_guard lock(language.mutex);
    return language.loadStringResource != nullptr;
}

std::optional<std::string> tryLoadString(int id) {
    LanguageState& language = state();
    LoadStringResource* fromLibrary = nullptr;
    {
        std::lock_guard lock(language.mutex);
        fromLibrary = language.loadStringResource;
    }
    if (!fromLibrary) {
        const auto text = lang::japaneseString(id);
        if (!text) return std::nullopt;
        return std::string(*text);
    }
    std::vector<char> buffer(kStringBufferSize, '\0');
    if (fromLibrary(id, buffer.data(), kStringBufferSize) == 0) return std::nullopt;
    return std::string(buffer.data());
}

std::string loadString(int id) {
    return tryLoadString(id).value_or(std::string());
}

std::string loadOwnString(int id) {
    const auto text = lang::japaneseString(id);
    return text ? std::string(*text) : std::string();
}

void resetLanguageForTesting() {
    LanguageState& language = state();
    std::lock_guard lock(language.mutex);
    language.loadStringResource = nullptr;
    language.library.reset();
}

}  // namespace lmx::gui
