#include "tray/core/text_format.h"

#include <cstddef>
#include <cstdio>
#include <optional>
#include <vector>

namespace lmx::tray {

namespace {

// One conversion as written: %[0][width][.precision]conversion.
struct Conversion {
    bool zeroPad = false;
    std::size_t width = 0;
    std::optional<int> precision;
    char kind = 0;
    std::size_t end = 0;  // index of the conversion character
};

std::optional<Conversion> parseConversion(std::string_view format, std::size_t percent) {
    Conversion conversion;
    std::size_t j = percent + 1;
    if (j < format.size() && format[j] == '0') {
        conversion.zeroPad = true;
        ++j;
    }
    // Widths and precisions beyond two digits are no text's; they are not read as conversions.
    const auto digits = [&](std::size_t& value) {
        std::size_t count = 0;
        while (j < format.size() && format[j] >= '0' && format[j] <= '9' && count < 2) {
            value = value * 10 + static_cast<std::size_t>(format[j++] - '0');
            ++count;
        }
    };
    digits(conversion.width);
    if (j < format.size() && format[j] == '.') {
        ++j;
        std::size_t precision = 0;
        digits(precision);
        conversion.precision = static_cast<int>(precision);
    }
    if (j >= format.size()) return std::nullopt;
    const char kind = format[j];
    if (kind != 'd' && kind != 's' && kind != 'f' && kind != 'X') return std::nullopt;
    if (conversion.precision && kind != 'f') return std::nullopt;
    conversion.kind = kind;
    conversion.end = j;
    return conversion;
}

bool fits(const Conversion& conversion, const TextArgument& argument) {
    switch (conversion.kind) {
        case 'd':
        case 'X': return std::holds_alternative<std::int64_t>(argument);
        case 's': return std::holds_alternative<std::string_view>(argument);
        case 'f': return std::holds_alternative<double>(argument);
        default: return false;
    }
}

std::string render(const Conversion& conversion, const TextArgument& argument) {
    char buffer[64];
    switch (conversion.kind) {
        case 'd': {
            const std::int64_t value = std::get<std::int64_t>(argument);
            std::string digits = std::to_string(value < 0 ? -static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value));
            const std::string sign = value < 0 ? "-" : "";
            if (conversion.zeroPad && sign.size() + digits.size() < conversion.width) {
                digits.insert(0, conversion.width - sign.size() - digits.size(), '0');
            }
            return sign + digits;
        }
        case 'X': {
            // As printf's %X of a 32-bit unsigned value.
            const auto value = static_cast<std::uint32_t>(std::get<std::int64_t>(argument));
            std::snprintf(buffer, sizeof buffer, "%X", value);
            std::string digits = buffer;
            if (conversion.zeroPad && digits.size() < conversion.width) digits.insert(0, conversion.width - digits.size(), '0');
            return digits;
        }
        case 'f':
            std::snprintf(buffer, sizeof buffer, "%.*f", conversion.precision.value_or(6), std::get<double>(argument));
            return buffer;
        case 's': return std::string(std::get<std::string_view>(argument));
        default: return {};
    }
}

}  // namespace

std::string formatText(std::string_view format, std::initializer_list<TextArgument> arguments) {
    const std::vector<TextArgument> args(arguments);
    std::size_t next = 0;
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        const auto conversion = parseConversion(format, i);
        if (!conversion) {
            out += format[i];  // not a conversion we know: kept literally
            continue;
        }
        if (next >= args.size() || !fits(*conversion, args[next])) {
            out.append(format.substr(i, conversion->end - i + 1));
            i = conversion->end;
            continue;
        }
        const std::string piece = render(*conversion, args[next++]);
        if (piece.size() < conversion->width) out.append(conversion->width - piece.size(), ' ');
        out += piece;
        i = conversion->end;
    }
    return out;
}

}  // namespace lmx::tray
