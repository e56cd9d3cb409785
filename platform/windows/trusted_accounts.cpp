#include "platform/windows/trusted_accounts.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "platform/windows/owned_handle.h"

namespace platform::win32 {

namespace {

// NT SERVICE\TrustedInstaller.
constexpr const wchar_t* kTrustedInstaller = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

using SidBytes = std::vector<BYTE>;

SidBytes copyOf(PSID sid) {
    const auto* bytes = static_cast<const BYTE*>(sid);
    return SidBytes(bytes, bytes + ::GetLengthSid(sid));
}

// The process's user, from its token.
SidBytes processUser() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    const OwnedHandle owned(token);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (size == 0 || !::GetTokenInformation(token, TokenUser, user.data(), size, &size)) return {};
    return copyOf(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
}

const std::vector<SidBytes>& trustedAccounts() {
    static const std::vector<SidBytes> accounts = [] {
        std::vector<SidBytes> sids;
        for (const WELL_KNOWN_SID_TYPE type : {WinLocalSystemSid, WinBuiltinAdministratorsSid}) {
            SidBytes sid(SECURITY_MAX_SID_SIZE);
            DWORD size = static_cast<DWORD>(sid.size());
            if (::CreateWellKnownSid(type, nullptr, sid.data(), &size)) sids.push_back(std::move(sid));
        }
        PSID installer = nullptr;
        if (::ConvertStringSidToSidW(kTrustedInstaller, &installer)) {
            sids.push_back(copyOf(installer));
            ::LocalFree(installer);
        }
        if (SidBytes user = processUser(); !user.empty()) sids.push_back(std::move(user));
        return sids;
    }();
    return accounts;
}

}  // namespace

bool isTrustedAccount(PSID sid) {
    if (!sid || !::IsValidSid(sid)) return false;
    for (const auto& trusted : trustedAccounts()) {
        if (::EqualSid(sid, const_cast<BYTE*>(trusted.data()))) return true;
    }
    return false;
}

std::wstring processUserSidText() {
    SidBytes user = processUser();
    wchar_t* text = nullptr;
    if (user.empty() || !::ConvertSidToStringSidW(user.data(), &text)) return {};
    std::wstring sid(text);
    ::LocalFree(text);
    return sid;
}

bool ownedByTrustedAccount(HANDLE object) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                          &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const bool trusted = isTrustedAccount(owner);
    ::LocalFree(descriptor);
    return trusted;
}

}  // namespace platform::win32
