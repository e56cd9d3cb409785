#pragma once
// The log-on manager's (systemd-logind's) sessions as the session calls present them: their
// numbers, states and window-station names, and the environment of a program started in one.

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::sessions::logind {

struct LoginSession {
    std::string id;     // logind's session id: "2", "c1" …
    uid_t uid = 0;
    std::string state;  // "active", "online", "closing", "opening"
    std::string seat;   // empty for a session without a seat
    bool remote = false;
    std::string type;     // "x11", "wayland", "tty" …
    std::string display;  // the X11 display, if any
};

struct UserFacts {
    std::string name;
    std::string home;
    std::string shell;
};

// True where logind keeps the machine's sessions.
bool running();
// The users' interactive sessions (greeters included, background sessions left out); empty
// with the last error set when logind cannot be asked.
std::optional<std::vector<LoginSession>> list();
// True when the user has an active session on a seat: the one in front of a local screen and
// keyboard. Never where logind does not run.
bool hasActiveSessionOnSeat(uid_t uid);

// A session's number: logind's id when it is a number, else a stable number from the id with
// the top bit set, so that it never clashes with a numbered session or session 0.
std::uint32_t sessionNumber(std::string_view logindId);
// WTS_CONNECTSTATE_CLASS of a logind state: active → active; online (logged on, not in
// front) → disconnected; opening → init; closing and anything else → down.
std::uint32_t connectState(std::string_view logindState);
// "Console" for the first seat's local session, the seat's name for another seat,
// "Remote-<id>" for a remote session, else "Session-<id>".
std::string winStationName(const LoginSession& session);

// The environment of a program started in the session as its user: the user's identity and
// home, the runtime folder with the Wayland display and session bus found in it, the X11
// display, and LMXDUOWATCH_ROOT, LMXDUOWATCH_DEBUG and LANG taken from the caller.
std::vector<std::string> sessionEnvironment(const LoginSession& session, const UserFacts& user,
                                            const std::filesystem::path& runtimeFolder,
                                            const std::function<const char*(const char*)>& callerVariable);

}  // namespace platform::sessions::logind
