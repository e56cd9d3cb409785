#pragma once
// The machine's log-on sessions (WTSEnumerateSessionsA, level 1) and the start of a program
// in one of them as its user (the token duplication and CreateProcessAsUserA of a service).
// Session 0 is the services' own session, as on the platform the programs were written for;
// the users' sessions follow.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::sessions {

// WTS_CONNECTSTATE_CLASS.
inline constexpr std::uint32_t kWtsActive = 0;
inline constexpr std::uint32_t kWtsConnected = 1;
inline constexpr std::uint32_t kWtsConnectQuery = 2;
inline constexpr std::uint32_t kWtsShadow = 3;
inline constexpr std::uint32_t kWtsDisconnected = 4;
inline constexpr std::uint32_t kWtsIdle = 5;
inline constexpr std::uint32_t kWtsListen = 6;
inline constexpr std::uint32_t kWtsReset = 7;
inline constexpr std::uint32_t kWtsDown = 8;
inline constexpr std::uint32_t kWtsInit = 9;

// The services' session: programs started in it run as the caller.
inline constexpr std::uint32_t kServicesSessionId = 0;

struct SessionInfo {
    std::uint32_t sessionId = 0;
    std::string winStationName;  // "Services", "Console" for a seat's local session, …
    std::uint32_t state = kWtsDown;
};

// WTSEnumerateSessionsA: session 0 first, then the users' sessions in order of their ids.
// Where the machine has no log-on manager, the one user session is the caller's, active.
// Empty with the last error set when the sessions cannot be read.
std::optional<std::vector<SessionInfo>> enumerateSessions();

// Starts `program` in the session with `commandLineWord` as its whole command line: the
// program's first argument (argv[0]) is the word and there is no other. Run by a privileged
// caller, the program runs as the session's user with the session's environment (its runtime
// folder, display, Wayland display and bus); otherwise as the caller, with the caller's
// environment. LMXDUOWATCH_ROOT is passed on either way. Returns once the program has started,
// without waiting for it and without leaving a finished child behind. False with the platform's
// error code when the session is unknown (87), the program is missing (2) or may not be run (5).
bool launchInSession(std::uint32_t sessionId, const std::filesystem::path& program, std::string_view commandLineWord);

}  // namespace platform::sessions
