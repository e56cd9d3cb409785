#include "platform/client_identity.h"

#include <grp.h>
#include <sys/uio.h>
#include <syslog.h>
#include <systemd/sd-journal.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/login_sessions.h"

namespace platform {

namespace {

// The group's number; empty when the system has no such group.
std::optional<gid_t> groupNamed(std::string_view name) {
    const std::string wanted(name);
    group entry{};
    group* found = nullptr;
    std::vector<char> buffer(4096);
    for (;;) {
        const int failure = ::getgrnam_r(wanted.c_str(), &entry, buffer.data(), buffer.size(), &found);
        if (failure == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (failure != 0 || found == nullptr) return std::nullopt;
        return found->gr_gid;
    }
}

}  // namespace

bool mayAdministrate(const PipeClientIdentity& identity, std::string_view groupName) {
    if (identity.userId == PipeClientIdentity::kUnknown) return false;
    if (identity.userId == 0) return true;
    if (const auto gid = groupNamed(groupName)) {
        if (identity.groupId == *gid) return true;
        const auto& groups = identity.supplementaryGroups;
        if (std::find(groups.begin(), groups.end(), *gid) != groups.end()) return true;
    }
    return sessions::logind::hasActiveSessionOnSeat(static_cast<uid_t>(identity.userId));
}

void logAccessNotice(std::string_view text) {
    const std::string message = "MESSAGE=" + std::string(text);
    const std::string priority = "PRIORITY=" + std::to_string(LOG_NOTICE);
    const std::string facility = "SYSLOG_FACILITY=" + std::to_string(LOG_AUTHPRIV >> 3);
    const iovec fields[] = {{const_cast<char*>(message.data()), message.size()},
                            {const_cast<char*>(priority.data()), priority.size()},
                            {const_cast<char*>(facility.data()), facility.size()}};
    if (sd_journal_sendv(fields, 3) == 0) return;
    ::syslog(LOG_AUTHPRIV | LOG_NOTICE, "%.*s", static_cast<int>(text.size()), text.data());
}

}  // namespace platform
