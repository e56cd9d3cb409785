#include "platform/windows/pipe_client_token.h"

#include <sddl.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/windows/kernel_handle.h"
#include "platform/windows/wide_text.h"

namespace platform::win32 {

namespace {

constexpr std::uint32_t kAdministratorsGroupId = DOMAIN_ALIAS_RID_ADMINS;  // 544

// GetTokenInformation into a buffer of the size it asks for; empty on failure.
std::vector<std::uint8_t> tokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
    DWORD size = 0;
    ::GetTokenInformation(token, kind, nullptr, 0, &size);
    if (size == 0) return {};
    std::vector<std::uint8_t> buffer(size);
    if (!::GetTokenInformation(token, kind, buffer.data(), size, &size)) return {};
    return buffer;
}

PSID tokenUser(const std::vector<std::uint8_t>& information) {
    return information.empty() ? nullptr : reinterpret_cast<const TOKEN_USER*>(information.data())->User.Sid;
}

bool isAnonymous(PSID sid) {
    BYTE anonymous[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof anonymous;
    return ::CreateWellKnownSid(WinAnonymousSid, nullptr, anonymous, &size) && ::EqualSid(sid, anonymous);
}

bool isAdministrator(HANDLE token) {
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    BOOL member = FALSE;
    return ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) &&
           ::CheckTokenMembership(token, administrators, &member) && member;
}

// The client's token, taken by acting as the client for a moment.
KernelHandle clientToken(HANDLE pipe) {
    if (!::ImpersonateNamedPipeClient(pipe)) return {};
    HANDLE token = nullptr;
    const BOOL opened = ::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token);
    // Going on as somebody else would be worse than not going on at all.
    if (!::RevertToSelf()) std::abort();
    return KernelHandle(opened ? token : nullptr);
}

std::string userTextOf(HANDLE token) {
    const auto user = tokenInformation(token, TokenUser);
    wchar_t* text = nullptr;
    if (tokenUser(user) == nullptr || !::ConvertSidToStringSidW(tokenUser(user), &text)) return {};
    std::string key = narrow(text);
    ::LocalFree(text);
    return key;
}

}  // namespace

std::uint32_t accountIdOf(PSID sid) {
    if (sid == nullptr || !::IsValidSid(sid)) return PipeClientIdentity::kUnknown;
    const SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    const auto* authority = ::GetSidIdentifierAuthority(sid);
    const UCHAR parts = *::GetSidSubAuthorityCount(sid);
    const bool nt = std::equal(std::begin(authority->Value), std::end(authority->Value), std::begin(ntAuthority.Value));
    if (nt && parts == 1) return *::GetSidSubAuthority(sid, 0);
    if (nt && parts == 2 && *::GetSidSubAuthority(sid, 0) == SECURITY_BUILTIN_DOMAIN_RID) return *::GetSidSubAuthority(sid, 1);
    // FNV-1a over the identifier's bytes.
    std::uint32_t hash = 2166136261u;
    const auto* bytes = static_cast<const std::uint8_t*>(sid);
    for (DWORD i = 0; i < ::GetLengthSid(sid); ++i) hash = (hash ^ bytes[i]) * 16777619u;
    return hash | 0x80000000u;
}

std::string clientProcessUser(HANDLE pipe) {
    ULONG processId = 0;
    if (!::GetNamedPipeClientProcessId(pipe, &processId)) return {};
    const KernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    HANDLE token = nullptr;
    if (!process.valid() || !::OpenProcessToken(process.get(), TOKEN_QUERY, &token)) return {};
    const KernelHandle owned(token);
    return userTextOf(owned.get());
}

std::string clientTokenUser(HANDLE pipe) {
    const KernelHandle token = clientToken(pipe);
    return token.valid() ? userTextOf(token.get()) : std::string();
}

PipeClientIdentity pipeClientIdentity(HANDLE pipe) {
    PipeClientIdentity identity;
    ULONG processId = 0;
    if (::GetNamedPipeClientProcessId(pipe, &processId)) identity.processId = processId;
    const KernelHandle token = clientToken(pipe);
    if (!token.valid()) return identity;
    const auto user = tokenInformation(token.get(), TokenUser);
    if (tokenUser(user) == nullptr || isAnonymous(tokenUser(user))) return identity;
    const auto primary = tokenInformation(token.get(), TokenPrimaryGroup);
    if (!primary.empty()) identity.groupId = accountIdOf(reinterpret_cast<const TOKEN_PRIMARY_GROUP*>(primary.data())->PrimaryGroup);
    const auto groups = tokenInformation(token.get(), TokenGroups);
    if (!groups.empty()) {
        const auto* list = reinterpret_cast<const TOKEN_GROUPS*>(groups.data());
        for (DWORD i = 0; i < list->GroupCount; ++i) {
            const DWORD attributes = list->Groups[i].Attributes;
            // A group for deny entries only (an administrator's filtered token) grants nothing.
            if ((attributes & SE_GROUP_ENABLED) == 0 || (attributes & SE_GROUP_USE_FOR_DENY_ONLY) != 0) continue;
            if ((attributes & SE_GROUP_LOGON_ID) != 0) continue;
            identity.supplementaryGroups.push_back(accountIdOf(list->Groups[i].Sid));
        }
    }
    auto& ids = identity.supplementaryGroups;
    ids.erase(std::remove(ids.begin(), ids.end(), kAdministratorsGroupId), ids.end());
    if (isAdministrator(token.get())) ids.push_back(kAdministratorsGroupId);
    DWORD session = 0;
    DWORD size = 0;
    if (::GetTokenInformation(token.get(), TokenSessionId, &session, sizeof session, &size)) identity.sessionId = session;
    identity.userId = accountIdOf(tokenUser(user));
    return identity;
}

}  // namespace platform::win32
