#include "gui/file_dialog.h"
#include "gui/file_open_dialog.h"

namespace lmx::gui {

std::vector<std::pair<std::string, std::string>> fileTypes(std::string_view windowsFilter) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t bar = windowsFilter.find('|', start);
        parts.push_back(windowsFilter.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    // Description and patterns alternate; the empty parts of the closing "||" end the list.
    std::vector<std::pair<std::string, std::string>> types;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty()) break;
        types.emplace_back(parts[i], parts[i + 1]);
    }
    return types;
}

}  // namespace lmx::gui

namespace lmx::gui {

std::string filterExtension(std::string_view filter) {
    const std::size_t open = filter.find("(*.");
    if (open == std::string_view::npos) return {};
    const std::size_t start = open + 3;
    const std::size_t end = filter.find_first_of(")*;. ", start);
    if (end == std::string_view::npos || filter[end] != ')' || end == start) return {};
    return std::string(filter.substr(start, end - start));
}

}  // namespace lmx::gui
