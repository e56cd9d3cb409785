// The machine's sessions from the terminal services, and the start of a program in a user's
// session as that user: the service (LocalSystem) takes the session's token with
// WTSQueryUserToken and starts the program with CreateProcessAsUserW on the user's desktop.

#include "platform/sessions.h"

#include <windows.h>
#include <userenv.h>
#include <wtsapi32.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/win_error.h"
#include "platform/windows/wide_text.h"

namespace platform::sessions {

namespace {

class OwnedHandle {
public:
    OwnedHandle() = default;
    ~OwnedHandle() {
        if (handle) ::CloseHandle(handle);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    HANDLE handle = nullptr;
};

std::uint32_t ownSessionId() {
    DWORD session = 0;
    ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
    return session;
}

// The program file: a name given without its extension is the .exe of that name.
std::filesystem::path programFile(const std::filesystem::path& program) {
    std::error_code error;
    if (program.has_extension() || std::filesystem::exists(program, error)) return program;
    std::filesystem::path withExtension = program;
    withExtension += ".exe";
    return withExtension;
}

// The word as the whole command line: quoted, so that it stays one argument.
std::wstring commandLineOf(std::string_view word) {
    std::wstring line = L"\"";
    for (const wchar_t c : win32::widen(word)) {
        if (c != L'"') line += c;
    }
    return line + L"\"";
}

// The user's environment with the caller's LMXDUOWATCH_ROOT, as a block for CreateProcess.
std::wstring environmentFor(HANDLE token) {
    std::wstring block;
    void* userEnvironment = nullptr;
    if (::CreateEnvironmentBlock(&userEnvironment, token, FALSE) && userEnvironment) {
        constexpr std::wstring_view kRoot = L"LMXDUOWATCH_ROOT=";
        for (const wchar_t* variable = static_cast<const wchar_t*>(userEnvironment); *variable;
             variable += std::wcslen(variable) + 1) {
            const std::wstring_view text(variable);
            if (text.size() >= kRoot.size() &&
                ::CompareStringOrdinal(text.data(), static_cast<int>(kRoot.size()), kRoot.data(),
                                       static_cast<int>(kRoot.size()), TRUE) == CSTR_EQUAL)
                continue;
            block.append(text).push_back(L'\0');
        }
        ::DestroyEnvironmentBlock(userEnvironment);
    }
    if (const char* root = std::getenv("LMXDUOWATCH_ROOT"); root && *root)
        block.append(L"LMXDUOWATCH_ROOT=").append(win32::widen(root)).push_back(L'\0');
    block.push_back(L'\0');
    return block;
}

}  // namespace

std::optional<std::vector<SessionInfo>> enumerateSessions() {
    WTS_SESSION_INFOW* list = nullptr;
    DWORD count = 0;
    if (!::WTSEnumerateSessionsW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &list, &count)) {
        setLastError(::GetLastError());
        return std::nullopt;
    }
    std::vector<SessionInfo> sessions;
    for (DWORD index = 0; index < count; ++index) {
        sessions.push_back({list[index].SessionId, win32::narrow(list[index].pWinStationName ? list[index].pWinStationName : L""),
                            static_cast<std::uint32_t>(list[index].State)});
    }
    ::WTSFreeMemory(list);
    // A system that lists no sessions (Wine lists none) still has the services' session and
    // the console's, which is the one a user works in.
    if (sessions.empty()) {
        sessions.push_back({kServicesSessionId, "Services", kWtsDisconnected});
        DWORD console = ::WTSGetActiveConsoleSessionId();
        if (console == 0xFFFFFFFF) console = ownSessionId();
        if (console != kServicesSessionId) sessions.push_back({console, "Console", kWtsActive});
    }
    std::sort(sessions.begin(), sessions.end(), [](const SessionInfo& a, const SessionInfo& b) { return a.sessionId < b.sessionId; });
    return sessions;
}

bool launchInSession(std::uint32_t sessionId, const std::filesystem::path& program, std::string_view commandLineWord) {
    const auto sessions = enumerateSessions();
    if (!sessions || std::none_of(sessions->begin(), sessions->end(),
                                  [&](const SessionInfo& session) { return session.sessionId == sessionId; })) {
        setLastError(kErrorInvalidParameter);
        return false;
    }
    const std::filesystem::path file = programFile(program);
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        setLastError(kErrorFileNotFound);
        return false;
    }
    std::wstring commandLine = commandLineOf(commandLineWord);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    // A caller with the right to act for the session's user (the service, as LocalSystem)
    // starts the program as that user, on the session's interactive desktop; anyone else starts
    // it as the caller.
    OwnedHandle sessionToken;
    OwnedHandle primaryToken;
    BOOL ran = FALSE;
    if (sessionId != kServicesSessionId && ::WTSQueryUserToken(sessionId, &sessionToken.handle) &&
        ::DuplicateTokenEx(sessionToken.handle, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary,
                           &primaryToken.handle)) {
        std::wstring desktop = L"winsta0\\default";
        startup.lpDesktop = desktop.data();
        std::wstring environment = environmentFor(primaryToken.handle);
        ran = ::CreateProcessAsUserW(primaryToken.handle, file.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                     CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, environment.data(), nullptr,
                                     &startup, &started);
    } else {
        ran = ::CreateProcessW(file.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                               nullptr, &startup, &started);
    }
    if (!ran) {
        setLastError(::GetLastError());
        return false;
    }
    // Not waited for: the handles go, and the system forgets the process once it ends.
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    return true;
}

}  // namespace platform::sessions
