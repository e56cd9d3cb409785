#pragma once
// Who may change the service's settings and act on the controllers through the pipe. Reading
// is open to every local user; changing is for root, the members of the group lmxduowatch and
// the user in front of the machine (an active session on a local seat).

#include <chrono>
#include <cstdint>
#include <functional>
#include <string_view>
#include <unordered_map>

namespace dwsvc {

inline constexpr std::string_view kAdministratorsGroup = "lmxduowatch";

// The requests that change a setting or act on a controller: 1 (a refresh makes root poll
// every drive and start the notifier in the active session) to 5, 8, 9, 10, 12 and 13. The
// status table, the log pages, the ready flag and unknown codes are not among them.
bool changesControllers(std::uint8_t requestCode);

// The refusals, written to the system log (never the event log, which users must not be able to
// fill): the first of each user at once, then at most one line a minute per user, saying how
// many were refused since.
class RefusalLog {
public:
    using Clock = std::chrono::steady_clock;
    using Writer = std::function<void(std::string_view line)>;
    explicit RefusalLog(Writer writer);
    void note(std::uint32_t userId, std::uint32_t processId, std::uint8_t requestCode, Clock::time_point now = Clock::now());

private:
    struct PerUser {
        Clock::time_point lastLine;
        std::uint64_t unreported = 0;
    };
    Writer writer_;
    std::unordered_map<std::uint32_t, PerUser> users_;
};

}  // namespace dwsvc
