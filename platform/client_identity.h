#pragma once
// Who is at the other end of a local connection, as the kernel recorded it when the client
// connected, and whether that caller may administrate what a privileged program watches over.

#include <cstdint>
#include <string_view>
#include <vector>

namespace platform {

struct PipeClientIdentity {
    static constexpr std::uint32_t kUnknown = 0xFFFFFFFFu;
    std::uint32_t userId = kUnknown;
    std::uint32_t groupId = kUnknown;
    std::uint32_t processId = 0;
    std::vector<std::uint32_t> supplementaryGroups;  // the groups the client's process had when it connected
    // The log-on session the client runs in, where the system numbers them (Windows' terminal
    // services sessions); kUnknown elsewhere.
    std::uint32_t sessionId = kUnknown;
};

// True for the superuser, for a caller whose process had the group `groupName` (primary or
// supplementary) when it connected, and for the user of an active session on a local seat (the
// person in front of the machine), as the log-on manager knows them. The groups are the
// process's own: a user added to the group is let in from their next log-on, as with any
// group-granted access. Nobody else; an unknown caller never.
bool mayAdministrate(const PipeClientIdentity& identity, std::string_view groupName);

// Writes a security notice (an access refused, and to whom) to the system log: the journal,
// or syslog where no journal runs.
void logAccessNotice(std::string_view text);

}  // namespace platform
