#include "platform/linux/journal_entry.h"

#include <sys/uio.h>
#include <syslog.h>
#include <systemd/sd-journal.h>

#include <cstdio>

namespace platform::journal {

namespace {

// This suite's prefix of every MESSAGE_ID; never to change, or saved queries stop matching.
constexpr std::string_view kMessageIdPrefix = "6e171a377c867bd06a9f5640";

std::string hex32(std::uint32_t value, bool upper) {
    char text[12];
    std::snprintf(text, sizeof text, upper ? "%08X" : "%08x", value);
    return text;
}

}  // namespace

std::string messageIdFor(std::uint32_t kindId) { return std::string(kMessageIdPrefix) + hex32(kindId, false); }

int priorityFor(std::uint16_t type) {
    switch (type) {
        case eventlog::kErrorType: return LOG_ERR;
        case eventlog::kWarningType: return LOG_WARNING;
        default: return LOG_INFO;
    }
}

std::vector<std::string> entryFields(std::string_view source, std::uint16_t type, std::uint32_t eventId,
                                     std::string_view text, const eventlog::EventFields& fields) {
    std::vector<std::string> entry;
    entry.push_back("MESSAGE=[0x" + hex32(eventId, true) + "] " + std::string(text));
    entry.push_back("MESSAGE_ID=" + messageIdFor(fields.kindId ? fields.kindId : eventId));
    entry.push_back("PRIORITY=" + std::to_string(priorityFor(type)));
    entry.push_back("SYSLOG_IDENTIFIER=" + std::string(source));
    entry.push_back("SYSLOG_FACILITY=" + std::to_string(LOG_DAEMON >> 3));
    entry.push_back("LMX_EVENT_ID=0x" + hex32(eventId, true));
    entry.push_back("LMX_EVENT_TYPE=" + std::to_string(type));
    if (fields.physicalDrive) entry.push_back("LMX_PHYSICAL_DRIVE=" + std::to_string(*fields.physicalDrive));
    if (fields.raidNumber) entry.push_back("LMX_RAID_NUMBER=" + std::to_string(*fields.raidNumber));
    return entry;
}

bool send(const std::vector<std::string>& fields) {
    std::vector<iovec> vector;
    vector.reserve(fields.size());
    for (const auto& field : fields) {
        vector.push_back({const_cast<char*>(field.data()), field.size()});
    }
    return sd_journal_sendv(vector.data(), static_cast<int>(vector.size())) == 0;
}

}  // namespace platform::journal
