#include "simulator/field_assignment.h"

#include <charconv>
#include <string>
#include <vector>

#include "simulator/drive_description.h"
#include "simulator/hex_bytes.h"

namespace simulator {

using json = DriveJson;

namespace {

std::vector<std::string> splitName(std::string_view name) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = name.find('.', start);
        parts.emplace_back(name.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
        if (parts.back().empty()) throw SimulatorError("\"" + std::string(name) + "\" is not a field name");
        if (dot == std::string_view::npos) return parts;
        start = dot + 1;
    }
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::optional<bool> flagOf(std::string_view text) {
    for (std::string_view yes : {"true", "yes", "on", "1"}) {
        if (text == yes) return true;
    }
    for (std::string_view no : {"false", "no", "off", "0"}) {
        if (text == no) return false;
    }
    return std::nullopt;
}

std::string fieldList(const json& object) {
    std::string names;
    for (const auto& [key, value] : object.items()) names += (names.empty() ? "" : ", ") + key;
    return names;
}

json convert(const json& current, std::string_view text, const std::string& name) {
    if (text == "null") return nullptr;
    if (current.is_number()) {
        const auto number = parseUnsigned(text);
        if (!number) {
            throw SimulatorError(name + " takes a number (decimal, or hex as 0x…), not \"" + std::string(text) + "\"");
        }
        return *number;
    }
    if (current.is_boolean()) {
        const auto flag = flagOf(text);
        if (!flag) throw SimulatorError(name + " takes true or false, not \"" + std::string(text) + "\"");
        return *flag;
    }
    if (current.is_array()) {
        json list = json::array();
        std::string_view rest = text;
        while (!trimmed(rest).empty()) {
            const std::size_t comma = rest.find(',');
            list.push_back(std::string(trimmed(rest.substr(0, comma))));
            if (comma == std::string_view::npos) break;
            rest.remove_prefix(comma + 1);
        }
        return list;
    }
    if (current.is_object()) {
        throw SimulatorError(name + " is a group of fields: set one of " + fieldList(current) + " (as " + name +
                             ".FIELD)");
    }
    if (current.is_null()) {
        if (const auto number = parseUnsigned(text)) return *number;
    }
    return std::string(text);
}

}  // namespace

void assignField(json& document, std::string_view name, std::string_view text) {
    const std::vector<std::string> parts = splitName(name);
    // Page contents are hex text even when every digit happens to be decimal.
    const bool pageContent = parts.front() == "overrides" || parts.front() == "mirrorLogs" || name == "faults.sense";
    json* node = &document;
    std::string walked;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        const bool last = i + 1 == parts.size();
        const std::string here = walked.empty() ? part : walked + "." + part;
        if (node->is_array()) {
            const auto index = parseUnsigned(part);
            if (!index || *index >= node->size()) {
                throw SimulatorError(walked + " has entries 0 to " + std::to_string(node->size() - 1) + ", not " +
                                     part);
            }
            node = &(*node)[*index];
        } else if (node->is_object()) {
            if (!node->contains(part)) {
                // Page overrides are the one open-ended group: any page code may be added.
                if (last && walked == "overrides") {
                    (*node)[part] = text == "null" ? json(nullptr) : json(std::string(text));
                    return;
                }
                throw SimulatorError("no field " + here +
                                     (walked.empty() ? "" : " (" + walked + " has " + fieldList(*node) + ")"));
            }
            node = &(*node)[part];
        } else {
            throw SimulatorError(walked + " has no fields");
        }
        walked = here;
    }
    if (pageContent && (node->is_null() || node->is_string())) {
        *node = text == "null" ? json(nullptr) : json(std::string(text));
        return;
    }
    *node = convert(*node, text, walked);
}

}  // namespace simulator
