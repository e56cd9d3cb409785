#pragma once
// The system log: the systemd journal where it runs, else syslog's socket. sd_journal_sendv
// reports success when no journal listens (it drops the entry), so the journal is used only
// when its socket exists; syslog gets one datagram in the classic format, sent without waiting.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace platform::system_log {

struct Sockets {
    // Only looked at for whether it exists: entries go through sd-journal's own socket.
    std::filesystem::path journal = "/run/systemd/journal/socket";
    std::filesystem::path syslog = "/dev/log";
};

struct Entry {
    std::vector<std::string> journalFields;  // "NAME=value", MESSAGE among them
    int priority = 6;                        // syslog level
    std::string identifier;
    std::string text;                        // for syslog
};

// False when neither the journal nor syslog took the entry.
bool send(const Entry& entry, const Sockets& sockets = {});

// "<PRI>Mmm dd hh:mm:ss identifier[pid]: text", facility daemon.
std::string syslogDatagram(const Entry& entry, std::int64_t unixTime, long processId);

}  // namespace platform::system_log
