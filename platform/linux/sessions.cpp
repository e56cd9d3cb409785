#include "platform/sessions.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "platform/linux/detached_process.h"
#include "platform/linux/login_sessions.h"
#include "platform/win_error.h"

namespace platform::sessions {

namespace {

// Where the machine has no log-on manager, the caller's own session is the one user session.
constexpr std::uint32_t kOwnSessionId = 1;

struct Account {
    logind::UserFacts facts;
    gid_t gid = 0;
    std::vector<gid_t> groups;
};

std::optional<Account> accountOf(uid_t uid) {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return std::nullopt;
    Account account;
    account.facts = {entry.pw_name, entry.pw_dir, entry.pw_shell ? entry.pw_shell : ""};
    account.gid = entry.pw_gid;
    int count = 64;
    account.groups.resize(static_cast<std::size_t>(count));
    if (::getgrouplist(entry.pw_name, entry.pw_gid, account.groups.data(), &count) < 0) {
        account.groups.resize(static_cast<std::size_t>(count));
        ::getgrouplist(entry.pw_name, entry.pw_gid, account.groups.data(), &count);
    }
    account.groups.resize(static_cast<std::size_t>(std::max(count, 0)));
    return account;
}

// The launch in a logind session: as its user with its environment when the caller may
// (a privileged caller, or the session's own user), else as the caller.
bool prepareForLogindSession(const logind::LoginSession& session, DetachedLaunch& launch) {
    const bool privileged = ::geteuid() == 0;
    if (!privileged && ::geteuid() != session.uid) return true;
    const auto account = accountOf(session.uid);
    if (!account) {
        setLastError(kErrorAccessDenied);
        return false;
    }
    const auto runtimeFolder = std::filesystem::path("/run/user") / std::to_string(session.uid);
    launch.environment = logind::sessionEnvironment(session, account->facts, runtimeFolder,
                                                    [](const char* name) { return std::getenv(name); });
    if (privileged) {
        launch.runAs = DetachedLaunch::Identity{session.uid, account->gid, account->groups};
        std::error_code error;
        launch.workingFolder = std::filesystem::is_directory(account->facts.home, error)
                                   ? std::filesystem::path(account->facts.home)
                                   : std::filesystem::path("/");
    }
    return true;
}

}  // namespace

std::optional<std::vector<SessionInfo>> enumerateSessions() {
    std::vector<SessionInfo> sessions = {{kServicesSessionId, "Services", kWtsDisconnected}};
    if (!logind::running()) {
        sessions.push_back({kOwnSessionId, "Console", kWtsActive});
        return sessions;
    }
    const auto logged = logind::list();
    if (!logged) return std::nullopt;
    for (const auto& session : *logged) {
        sessions.push_back({logind::sessionNumber(session.id), logind::winStationName(session), logind::connectState(session.state)});
    }
    std::stable_sort(sessions.begin(), sessions.end(),
                     [](const SessionInfo& a, const SessionInfo& b) { return a.sessionId < b.sessionId; });
    return sessions;
}

bool launchInSession(std::uint32_t sessionId, const std::filesystem::path& program, std::string_view commandLineWord) {
    DetachedLaunch launch;
    launch.program = program;
    launch.arguments = {std::string(commandLineWord)};
    if (sessionId != kServicesSessionId) {
        if (logind::running()) {
            const auto logged = logind::list();
            if (!logged) return false;
            const auto found = std::find_if(logged->begin(), logged->end(), [&](const logind::LoginSession& session) {
                return logind::sessionNumber(session.id) == sessionId;
            });
            if (found == logged->end()) {
                setLastError(kErrorInvalidParameter);
                return false;
            }
            if (!prepareForLogindSession(*found, launch)) return false;
        } else if (sessionId != kOwnSessionId) {
            setLastError(kErrorInvalidParameter);
            return false;
        }
    }
    return startDetached(launch);
}

}  // namespace platform::sessions
