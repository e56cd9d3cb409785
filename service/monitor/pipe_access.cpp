#include "service/monitor/pipe_access.h"

#include <cstdio>

namespace dwsvc {

namespace {

constexpr auto kLinePeriod = std::chrono::minutes(1);
constexpr std::size_t kUsersRemembered = 256;

}  // namespace

bool changesControllers(std::uint8_t requestCode) {
    switch (requestCode) {
        case 1: case 2: case 3: case 4: case 5: case 8: case 9: case 10: case 12: case 13: return true;
        default: return false;
    }
}

RefusalLog::RefusalLog(Writer writer) : writer_(std::move(writer)) {}

void RefusalLog::note(std::uint32_t userId, std::uint32_t processId, std::uint8_t requestCode, Clock::time_point now) {
    auto known = users_.find(userId);
    if (known != users_.end() && now - known->second.lastLine < kLinePeriod) {
        ++known->second.unreported;
        return;
    }
    if (known == users_.end()) {
        // Forget the users that have been quiet for a while before remembering one more.
        if (users_.size() >= kUsersRemembered) std::erase_if(users_, [&](const auto& user) { return now - user.second.lastLine >= kLinePeriod; });
        if (users_.size() < kUsersRemembered) known = users_.emplace(userId, PerUser{}).first;
    }
    const std::uint64_t since = known != users_.end() ? known->second.unreported : 0;
    char line[320];
    std::snprintf(line, sizeof line,
                  "Pipe request %u of user %u (process %u) refused: only root, the members of the group %.*s and the "
                  "user at an active local session may change settings or act on the controllers "
                  "(%llu more of this user refused since the last notice).",
                  requestCode, userId, processId, static_cast<int>(kAdministratorsGroup.size()), kAdministratorsGroup.data(),
                  static_cast<unsigned long long>(since));
    if (known != users_.end()) known->second = {now, 0};
    writer_(line);
}

}  // namespace dwsvc
