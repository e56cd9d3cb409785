#include <windows.h>

#include <sddl.h>

#include <filesystem>
#include <string>

#include "platform/system_root.h"
#include "platform/windows/trusted_accounts.h"

// The folders of the system root get an access list of their own instead of what the folder
// above passes on: %ProgramData% lets every user create files and folders in what is made in
// it, which would let any user plant files where the service reads them. The list is protected
// (nothing inherited from above): the system and the administrators have full control, the
// users read and run; what is made inside inherits the same.

namespace platform {

namespace {

constexpr const wchar_t* kRootAccess = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";

// Under a root other than the machine's (a test's, or one a user keeps for the simulator) the
// user who makes it keeps full control too: such a root is that user's own.
std::wstring accessFor(bool defaultRoot) {
    std::wstring sddl = kRootAccess;
    if (!defaultRoot) {
        const std::wstring user = win32::processUserSidText();
        if (!user.empty()) sddl += L"(A;OICI;FA;;;" + user + L")";
    }
    return sddl;
}

}  // namespace

void makeRootFolder(const std::filesystem::path& folder) {
    std::error_code error;
    if (std::filesystem::exists(folder, error) || !folder.has_relative_path()) return;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(accessFor(isDefaultSystemRoot()).c_str(),
                                                                 SDDL_REVISION_1, &descriptor, nullptr)) {
        return;
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    ::CreateDirectoryW(folder.c_str(), &attributes);
    ::LocalFree(descriptor);
}

}  // namespace platform
