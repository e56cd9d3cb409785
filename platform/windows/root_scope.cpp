#include "platform/windows/root_scope.h"

#include <cctype>
#include <cstdint>
#include <cstdio>

#include "platform/system_root.h"

namespace platform::win32 {

std::string rootTag() {
    if (isDefaultSystemRoot()) return {};
    // FNV-1a over the path folded to one spelling.
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : systemRoot().lexically_normal().string()) {
        const char folded = c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        hash = (hash ^ static_cast<unsigned char>(folded)) * 0x100000001b3ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::string scopedName(std::string_view name) {
    const std::string tag = rootTag();
    return tag.empty() ? std::string(name) : std::string(name) + "." + tag;
}

std::string registryRootKey() {
    const std::string tag = rootTag();
    return tag.empty() ? std::string() : "Software\\LMXDuowatch roots\\" + tag;
}

}  // namespace platform::win32
