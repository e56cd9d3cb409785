#include "platform/windows/event_source_registration.h"

#include "platform/registry.h"
#include "platform/system_info.h"
#include "platform/windows/root_scope.h"

namespace platform::win32 {

namespace {

constexpr std::string_view kApplicationLogKey = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\";
// Error, warning and information entries.
constexpr std::uint32_t kTypesSupported = 0x7;

}  // namespace

std::string eventSourceName(std::string_view source) { return scopedName(source); }

std::string eventSourceKeyPath(std::string_view source) {
    return std::string(kApplicationLogKey) + eventSourceName(source);
}

std::filesystem::path eventMessageFile() { return std::filesystem::path(programFolder()) / "TXTRES_EN.dll"; }

std::uint32_t registerEventSource(std::string_view source, const std::filesystem::path& messageFile) {
    const std::string path = eventSourceKeyPath(source);
    const std::string file = messageFile.string();
    registry::Key key;
    std::string registered;
    std::uint32_t types = 0;
    if (registry::Key::open(path, registry::kKeyRead, key) == kErrorSuccess &&
        key.queryString("EventMessageFile", registered) == kErrorSuccess && registered == file &&
        key.queryDword("TypesSupported", types) == kErrorSuccess && types == kTypesSupported) {
        return kErrorSuccess;
    }
    if (const auto error = registry::Key::create(path, registry::kKeyAllAccess, key); error != kErrorSuccess) return error;
    if (const auto error = key.setString("EventMessageFile", file); error != kErrorSuccess) return error;
    return key.setDword("TypesSupported", kTypesSupported);
}

std::uint32_t removeEventSourceRegistration(std::string_view source) {
    return registry::Key::deleteTree(eventSourceKeyPath(source));
}

}  // namespace platform::win32
