// Who may change what the service watches over, on Windows: LocalSystem, the administrators
// (the client's token is a member of BUILTIN\Administrators: pipe_client_token.cpp puts 544
// among its groups after CheckTokenMembership), the members of a local group of the given name,
// and whoever runs in the session at the machine's console. Everybody else reads.

#include "platform/client_identity.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/windows/pipe_client_token.h"
#include "platform/windows/wide_text.h"

namespace platform {

namespace {

constexpr std::uint32_t kLocalSystemId = SECURITY_LOCAL_SYSTEM_RID;       // S-1-5-18
constexpr std::uint32_t kAdministratorsId = DOMAIN_ALIAS_RID_ADMINS;      // S-1-5-32-544
constexpr DWORD kNoConsoleSession = 0xFFFFFFFF;

// The id of the group named `name` on this machine; unknown when there is none.
std::uint32_t groupIdNamed(std::string_view name) {
    if (name.empty()) return PipeClientIdentity::kUnknown;
    const std::wstring wide = win32::widen(name);
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof sid;
    wchar_t domain[256];
    DWORD domainSize = 256;
    SID_NAME_USE use = SidTypeUnknown;
    if (!::LookupAccountNameW(nullptr, wide.c_str(), sid, &sidSize, domain, &domainSize, &use)) return PipeClientIdentity::kUnknown;
    if (use != SidTypeGroup && use != SidTypeAlias && use != SidTypeWellKnownGroup) return PipeClientIdentity::kUnknown;
    return win32::accountIdOf(sid);
}

bool hasGroup(const PipeClientIdentity& identity, std::uint32_t id) {
    const auto& groups = identity.supplementaryGroups;
    return id != PipeClientIdentity::kUnknown &&
           (identity.groupId == id || std::find(groups.begin(), groups.end(), id) != groups.end());
}

}  // namespace

bool mayAdministrate(const PipeClientIdentity& identity, std::string_view groupName) {
    if (identity.userId == PipeClientIdentity::kUnknown) return false;
    if (identity.userId == kLocalSystemId || hasGroup(identity, kAdministratorsId)) return true;
    if (hasGroup(identity, groupIdNamed(groupName))) return true;
    const DWORD console = ::WTSGetActiveConsoleSessionId();
    return console != kNoConsoleSession && identity.sessionId != PipeClientIdentity::kUnknown && identity.sessionId == console;
}

// The application event log, under the suite's event source, as a warning with the text alone.
void logAccessNotice(std::string_view text) {
    const HANDLE source = ::RegisterEventSourceW(nullptr, L"LMXDuowatch");
    if (source == nullptr) return;
    const std::wstring wide = win32::widen(text);
    const wchar_t* strings[] = {wide.c_str()};
    ::ReportEventW(source, EVENTLOG_WARNING_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
    ::DeregisterEventSource(source);
}

}  // namespace platform
