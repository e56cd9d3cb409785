#include "platform/linux/journal_entry.h"

#include <syslog.h>

#include <cstdio>

namespace platform::journal {

int priorityFor(std::uint16_t type) {
    switch (type) {
        case eventlog::kErrorType: return LOG_ERR;
        case eventlog::kWarningType: return LOG_WARNING;
        default: return LOG_INFO;
    }
}

std::string messageText(std::uint32_t eventId, std::string_view text) {
    char id[16];
    std::snprintf(id, sizeof id, "[0x%08X] ", eventId);
    return id + std::string(text);
}

std::vector<std::string> entryFields(std::string_view source, std::uint16_t type, std::uint32_t eventId,
                                     std::string_view text, const eventlog::EventFields& fields) {
    std::vector<std::string> entry;
    entry.push_back("MESSAGE=" + messageText(eventId, text));
    if (!fields.messageId.empty()) entry.push_back("MESSAGE_ID=" + fields.messageId);
    entry.push_back("PRIORITY=" + std::to_string(priorityFor(type)));
    entry.push_back("SYSLOG_IDENTIFIER=" + std::string(source));
    entry.push_back("SYSLOG_FACILITY=" + std::to_string(LOG_DAEMON >> 3));
    for (const auto& [name, value] : fields.fields) entry.push_back(name + "=" + value);
    return entry;
}

}  // namespace platform::journal
