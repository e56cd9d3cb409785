#include "platform/linux/systemd_unit.h"

#include "platform/linux/systemd/unit_template.h"

namespace platform::systemd {

namespace {

bool hasControlCharacter(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    }
    return false;
}

// '%' starts a specifier in every unit setting.
std::string escapeSpecifiers(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        escaped += c;
        if (c == '%') escaped += '%';
    }
    return escaped;
}

// ExecStart= splits its value at blanks and reads quotes and backslashes.
std::string commandLineWord(std::string_view path) {
    const std::string specifiersEscaped = escapeSpecifiers(path);
    if (specifiersEscaped.find_first_of(" \t\"'\\") == std::string::npos) return specifiersEscaped;
    std::string quoted = "\"";
    for (const char c : specifiersEscaped) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

void replaceAll(std::string& text, std::string_view placeholder, std::string_view value) {
    for (auto at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at + value.size())) {
        text.replace(at, placeholder.size(), value);
    }
}

}  // namespace

std::optional<std::string> serviceUnitText(std::string_view displayName, std::string_view imagePath) {
    if (hasControlCharacter(displayName) || hasControlCharacter(imagePath) || imagePath.empty()) return std::nullopt;
    std::string unit(kServiceUnitTemplate);
    replaceAll(unit, "@DISPLAY_NAME@", escapeSpecifiers(displayName));
    replaceAll(unit, "@IMAGE_PATH@", commandLineWord(imagePath));
    return unit;
}

}  // namespace platform::systemd
