#include "service/monitor/message_format.h"

#include <cstdio>
#include <vector>

namespace dwsvc {

namespace {

struct Conversion {
    std::size_t begin = 0;  // the '%'
    std::size_t end = 0;    // one past the conversion character
    char kind = 0;          // 'i', 's' or '%'
};

// Parses every conversion of the format; empty on an unsupported one.
std::optional<std::vector<Conversion>> parseConversions(std::string_view format) {
    std::vector<Conversion> conversions;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        Conversion conversion{i};
        std::size_t j = i + 1;
        while (j < format.size() && std::string_view("-+ #0").find(format[j]) != std::string_view::npos) ++j;
        while (j < format.size() && format[j] >= '0' && format[j] <= '9') ++j;
        if (j < format.size() && format[j] == '.') {
            ++j;
            while (j < format.size() && format[j] >= '0' && format[j] <= '9') ++j;
        }
        while (j < format.size() && (format[j] == 'h' || format[j] == 'l')) ++j;
        if (j >= format.size()) return std::nullopt;
        switch (format[j]) {
            case 'd': case 'i': case 'u': case 'x': case 'X': case 'o': case 'c': conversion.kind = 'i'; break;
            case 's': conversion.kind = 's'; break;
            case '%': conversion.kind = '%'; break;
            default: return std::nullopt;
        }
        if (conversion.kind == '%' && j != i + 1) return std::nullopt;
        conversion.end = j + 1;
        conversions.push_back(conversion);
        i = j;
    }
    return conversions;
}

// One conversion formatted with snprintf from its own checked pattern; integers go through the
// 'll' length so that the argument's width always matches.
std::string formatOne(std::string_view conversion, const MessageArgument& argument) {
    std::string pattern;
    for (char c : conversion) {
        if (c != 'h' && c != 'l') pattern += c;
    }
    if (const auto* number = std::get_if<std::int64_t>(&argument)) {
        const char kind = pattern.back();
        if (kind != 'c') pattern.insert(pattern.size() - 1, "ll");
        const int length = kind == 'c' ? std::snprintf(nullptr, 0, pattern.c_str(), static_cast<int>(*number))
                                             : std::snprintf(nullptr, 0, pattern.c_str(), static_cast<long long>(*number));
        std::string out(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
        if (kind == 'c') {
            std::snprintf(out.data(), out.size() + 1, pattern.c_str(), static_cast<int>(*number));
        } else {
            std::snprintf(out.data(), out.size() + 1, pattern.c_str(), static_cast<long long>(*number));
        }
        return out;
    }
    const std::string text(std::get<std::string_view>(argument));
    const int length = std::snprintf(nullptr, 0, pattern.c_str(), text.c_str());
    std::string out(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    std::snprintf(out.data(), out.size() + 1, pattern.c_str(), text.c_str());
    return out;
}

}  // namespace

std::optional<std::string> conversionKinds(std::string_view format) {
    const auto conversions = parseConversions(format);
    if (!conversions) return std::nullopt;
    std::string kinds;
    for (const auto& conversion : *conversions) {
        if (conversion.kind != '%') kinds += conversion.kind;
    }
    return kinds;
}

std::optional<std::string> formatMessage(std::string_view format, std::initializer_list<MessageArgument> arguments) {
    const auto conversions = parseConversions(format);
    if (!conversions) return std::nullopt;
    std::string out;
    std::size_t copied = 0;
    auto argument = arguments.begin();
    for (const auto& conversion : *conversions) {
        out.append(format.substr(copied, conversion.begin - copied));
        copied = conversion.end;
        if (conversion.kind == '%') {
            out += '%';
            continue;
        }
        if (argument == arguments.end()) return std::nullopt;
        const bool isText = std::holds_alternative<std::string_view>(*argument);
        if (isText != (conversion.kind == 's')) return std::nullopt;
        out += formatOne(format.substr(conversion.begin, conversion.end - conversion.begin), *argument++);
    }
    if (argument != arguments.end()) return std::nullopt;
    out.append(format.substr(copied));
    return out;
}

}  // namespace dwsvc
