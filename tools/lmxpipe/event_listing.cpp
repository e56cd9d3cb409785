#include "tools/lmxpipe/event_listing.h"

#include <cstdio>
#include <ctime>

#include <nlohmann/json.hpp>

#include "platform/win_error.h"

namespace lmxpipe {

namespace {

using platform::eventlog::EventRecord;

const char* typeName(std::uint16_t type) {
    switch (type) {
        case platform::eventlog::kErrorType: return "error";
        case platform::eventlog::kWarningType: return "warning";
        case platform::eventlog::kInformationType: return "information";
        default: return "other";
    }
}

// The composed text is the last insertion string; the others name the source.
std::string entryText(const EventRecord& entry) { return entry.strings.empty() ? std::string() : entry.strings.back(); }

std::string hexId(std::uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", id);
    return text;
}

std::string formatTime(std::int64_t seconds, bool utc) {
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    const std::tm* converted = utc ? std::gmtime(&time) : std::localtime(&time);
    if (!converted) return std::to_string(seconds);
    parts = *converted;
    char text[32];
    std::strftime(text, sizeof text, utc ? "%Y-%m-%dT%H:%M:%SZ" : "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

int usage() {
    std::fputs("usage: lmxpipe events [--since TIME] [--json]\n"
               "  TIME: @SECONDS (since 1970), YYYY-MM-DD or \"YYYY-MM-DD hh:mm[:ss]\" (local time)\n",
               stderr);
    return 2;
}

}  // namespace

std::optional<std::int64_t> parseSince(std::string_view text) {
    if (text.starts_with('@')) {
        const std::string digits(text.substr(1));
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 12) {
            return std::nullopt;
        }
        return std::stoll(digits);
    }
    std::tm parts{};
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char separator = 0;
    int consumed = 0;
    const std::string value(text);
    const int fields = std::sscanf(value.c_str(), "%4d-%2d-%2d%n%c%2d:%2d%n:%2d%n", &year, &month, &day, &consumed,
                                   &separator, &hour, &minute, &consumed, &second, &consumed);
    const bool dateOnly = fields == 3;
    const bool withTime = (fields == 6 || fields == 7) && (separator == ' ' || separator == 'T');
    if ((!dateOnly && !withTime) || static_cast<std::size_t>(consumed) != value.size()) return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) return std::nullopt;
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    const std::time_t time = std::mktime(&parts);
    if (time == static_cast<std::time_t>(-1)) return std::nullopt;
    return static_cast<std::int64_t>(time);
}

std::vector<EventRecord> entriesSince(const std::vector<EventRecord>& entries, std::int64_t since) {
    std::vector<EventRecord> kept;
    for (const auto& entry : entries) {
        if (entry.timeGenerated >= since) kept.push_back(entry);
    }
    return kept;
}

std::string eventsText(const std::vector<EventRecord>& entries) {
    std::string out;
    for (const auto& entry : entries) {
        out += "#" + std::to_string(entry.recordNumber) + "  " + formatTime(entry.timeGenerated, false) + "  " +
               hexId(entry.eventId) + "  " + typeName(entry.type) + "\n";
        const std::string text = entryText(entry);
        std::size_t at = 0;
        while (at <= text.size()) {
            const std::size_t end = text.find('\n', at);
            const std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
            if (!line.empty()) {
                out += "    " + line + "\n";
            } else if (end != std::string::npos) {
                out += "\n";
            }
            if (end == std::string::npos) break;
            at = end + 1;
        }
    }
    return out;
}

std::string eventsJson(const std::vector<EventRecord>& entries) {
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const auto& entry : entries) {
        array.push_back({
            {"recordNumber", entry.recordNumber},
            {"time", entry.timeGenerated},
            {"timeUtc", formatTime(entry.timeGenerated, true)},
            {"source", entry.source},
            {"eventId", entry.eventId},
            {"eventIdHex", hexId(entry.eventId)},
            {"type", entry.type},
            {"typeName", typeName(entry.type)},
            {"category", entry.category},
            {"text", entryText(entry)},
        });
    }
    return array.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

int runEventsCommand(const std::vector<std::string_view>& arguments) {
    bool json = false;
    std::int64_t since = 0;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--json") {
            json = true;
        } else if (arguments[i] == "--since" && i + 1 < arguments.size()) {
            const auto parsed = parseSince(arguments[++i]);
            if (!parsed) {
                std::fprintf(stderr, "lmxpipe: --since %.*s is not a time\n", static_cast<int>(arguments[i].size()),
                             arguments[i].data());
                return usage();
            }
            since = *parsed;
        } else {
            return usage();
        }
    }
    const auto entries = platform::eventlog::readEventLog();
    if (!entries) {
        if (platform::lastError() == platform::kErrorAccessDenied) {
            std::fputs("lmxpipe: the event log is readable only by the service's user (root on an installed "
                       "system).\nEvery entry is in the system journal too: journalctl -t LMXDuowatch\n",
                       stderr);
        } else {
            std::fprintf(stderr, "lmxpipe: the event log cannot be read (error %u)\n", platform::lastError());
        }
        return 1;
    }
    const auto shown = entriesSince(*entries, since);
    const std::string out = json ? eventsJson(shown) + "\n" : eventsText(shown);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

}  // namespace lmxpipe
