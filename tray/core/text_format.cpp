#include "tray/core/text_format.h"

#include <cstddef>
#include <vector>

namespace lmx::tray {

std::string formatText(std::string_view format, std::initializer_list<TextArgument> arguments) {
    const std::vector<TextArgument> args(arguments);
    std::size_t next = 0;
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
            continue;
        }
        std::size_t j = i + 1;
        if (j < format.size() && format[j] == '%') {
            out += '%';
            i = j;
            continue;
        }
        std::size_t width = 0;
        while (j < format.size() && format[j] >= '0' && format[j] <= '9') width = width * 10 + (format[j++] - '0');
        if (j >= format.size() || (format[j] != 'd' && format[j] != 's')) {
            out += format[i];  // not a conversion we know: kept literally
            continue;
        }
        const bool wantsNumber = format[j] == 'd';
        if (next >= args.size() || std::holds_alternative<std::int64_t>(args[next]) != wantsNumber) {
            out.append(format.substr(i, j - i + 1));
            i = j;
            continue;
        }
        const std::string piece = wantsNumber ? std::to_string(std::get<std::int64_t>(args[next]))
                                              : std::string(std::get<std::string_view>(args[next]));
        ++next;
        if (piece.size() < width) out.append(width - piece.size(), ' ');
        out += piece;
        i = j;
    }
    return out;
}

}  // namespace lmx::tray
