#include "platform/linux/login_sessions.h"

#include <systemd/sd-daemon.h>
#include <systemd/sd-login.h>

#include <algorithm>
#include <cstdlib>

#include "platform/sessions.h"
#include "platform/win_error.h"

namespace platform::sessions::logind {

namespace {

// One text field of a session (sd_session_get_class, _state, …), which sd-login hands out for the
// caller to free; empty when the session has none. The call and the reading of its result are
// separate statements: as arguments of one call they could be taken in either order.
std::string sessionField(const char* id, int (*get)(const char* session, char** text)) {
    char* text = nullptr;
    const int result = get(id, &text);
    std::string value = (result >= 0 && text) ? std::string(text) : std::string();
    std::free(text);
    return value;
}

bool isInteractiveClass(const std::string& sessionClass) { return sessionClass == "user" || sessionClass == "greeter"; }

}  // namespace

bool running() {
    std::error_code error;
    return sd_booted() > 0 && std::filesystem::is_directory("/run/systemd/seats", error);
}

std::optional<std::vector<LoginSession>> list() {
    char** ids = nullptr;
    const int count = sd_get_sessions(&ids);
    if (count < 0) {
        setLastError(errorFromErrno(-count));
        return std::nullopt;
    }
    std::vector<LoginSession> sessions;
    for (int i = 0; i < count; ++i) {
        const char* id = ids[i];
        const auto sessionClass = sessionField(id, sd_session_get_class);
        LoginSession session;
        session.id = id;
        session.state = sessionField(id, sd_session_get_state);
        session.seat = sessionField(id, sd_session_get_seat);
        session.type = sessionField(id, sd_session_get_type);
        session.display = sessionField(id, sd_session_get_display);
        session.remote = sd_session_is_remote(id) > 0;
        const bool known = sd_session_get_uid(id, &session.uid) >= 0;
        // A greeter's session is shown as waiting for a log-on, as a console before anyone logs on.
        if (sessionClass == "greeter") session.state = "greeter";
        if (known && isInteractiveClass(sessionClass)) sessions.push_back(std::move(session));
        std::free(ids[i]);
    }
    std::free(ids);
    return sessions;
}

bool hasActiveSessionOnSeat(uid_t uid) {
    // Seats only: a remote log-on has none.
    return running() && sd_uid_get_seats(uid, 1, nullptr) > 0;
}

std::uint32_t sessionNumber(std::string_view logindId) {
    const bool numeric = !logindId.empty() && logindId.size() <= 9 &&
                         std::all_of(logindId.begin(), logindId.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (numeric) {
        std::uint32_t number = 0;
        for (const char c : logindId) number = number * 10 + static_cast<std::uint32_t>(c - '0');
        if (number != kServicesSessionId) return number;
    }
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const char c : logindId) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return 0x80000000u | (hash & 0x7FFFFFFFu);
}

std::uint32_t connectState(std::string_view logindState) {
    if (logindState == "active") return kWtsActive;
    if (logindState == "online") return kWtsDisconnected;
    if (logindState == "greeter") return kWtsConnected;
    if (logindState == "opening") return kWtsInit;
    return kWtsDown;
}

std::string winStationName(const LoginSession& session) {
    if (session.remote) return "Remote-" + session.id;
    if (session.seat == "seat0") return "Console";
    if (!session.seat.empty()) return session.seat;
    return "Session-" + session.id;
}

std::vector<std::string> sessionEnvironment(const LoginSession& session, const UserFacts& user,
                                            const std::filesystem::path& runtimeFolder,
                                            const std::function<const char*(const char*)>& callerVariable) {
    std::vector<std::string> environment = {
        "HOME=" + user.home,
        "USER=" + user.name,
        "LOGNAME=" + user.name,
        "SHELL=" + (user.shell.empty() ? std::string("/bin/sh") : user.shell),
        "PATH=/usr/local/bin:/usr/bin:/bin",
        "XDG_SESSION_ID=" + session.id,
    };
    if (!session.type.empty()) environment.push_back("XDG_SESSION_TYPE=" + session.type);
    if (!session.display.empty()) environment.push_back("DISPLAY=" + session.display);
    std::error_code error;
    if (!runtimeFolder.empty() && std::filesystem::is_directory(runtimeFolder, error)) {
        environment.push_back("XDG_RUNTIME_DIR=" + runtimeFolder.string());
        // The compositor's socket: the lowest-numbered "wayland-N" in the runtime folder.
        std::vector<std::string> wayland;
        for (const auto& entry : std::filesystem::directory_iterator(runtimeFolder, error)) {
            const auto name = entry.path().filename().string();
            if (name.starts_with("wayland-") && !name.ends_with(".lock") && entry.is_socket(error)) wayland.push_back(name);
        }
        std::sort(wayland.begin(), wayland.end());
        if (!wayland.empty()) environment.push_back("WAYLAND_DISPLAY=" + wayland.front());
        if (std::filesystem::is_socket(runtimeFolder / "bus", error)) {
            environment.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=" + (runtimeFolder / "bus").string());
        }
    }
    for (const char* name : {"LMXDUOWATCH_ROOT", "LMXDUOWATCH_DEBUG", "LANG"}) {
        if (const char* value = callerVariable(name)) environment.push_back(std::string(name) + "=" + value);
    }
    return environment;
}

}  // namespace platform::sessions::logind
