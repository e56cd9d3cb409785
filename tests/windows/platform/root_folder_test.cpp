// The folders the system root is made of get a protected access list: no user but the system and
// the administrators (and, under a root other than the machine's, the user who made it) may
// write in them, whatever the folder above lets users do.

#include <gtest/gtest.h>
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "platform/system_root.h"
#include "platform/windows/trusted_accounts.h"
#include "tests/support/temp_root.h"

namespace {

struct FolderAccess {
    bool protectedList = false;
    std::map<std::wstring, ACCESS_MASK> allowed;  // by SID text, rights of entries for this folder
    bool allInheritedByChildren = true;           // every entry passes on to files and folders
    bool anyInheritedEntry = false;
};

FolderAccess readAccess(const std::filesystem::path& folder) {
    FolderAccess access;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD status = ::GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                                 nullptr, &dacl, nullptr, &descriptor);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), status) << folder;
    if (status != ERROR_SUCCESS) return access;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor, &control, &revision);
    access.protectedList = (control & SE_DACL_PROTECTED) != 0;
    for (DWORD index = 0; dacl && index < dacl->AceCount; ++index) {
        void* entry = nullptr;
        if (!::GetAce(dacl, index, &entry)) continue;
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        LPWSTR sid = nullptr;
        if (!::ConvertSidToStringSidW(const_cast<DWORD*>(&allowed->SidStart), &sid)) continue;
        access.allowed[sid] |= allowed->Mask;
        ::LocalFree(sid);
        const BYTE inherit = CONTAINER_INHERIT_ACE | OBJECT_INHERIT_ACE;
        if ((header->AceFlags & inherit) != inherit) access.allInheritedByChildren = false;
        if (header->AceFlags & INHERITED_ACE) access.anyInheritedEntry = true;
    }
    ::LocalFree(descriptor);
    return access;
}

// Wine keeps no access list on a file: it turns the list it is given into the folder's Unix mode
// (here 0750 instead of 0755) and reads back the system and the owner with full control, and
// "Everyone" with what the mode gives others. There the test checks that nobody but the listed
// accounts gets anything; on Windows it checks the list itself.
bool underWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

TEST(RootFolder, MadeRootAndSubfoldersLetOnlySystemAdministratorsAndItsMakerWrite) {
    lmx::testing::TempRoot outer;
    const auto root = outer.path() / "machine";
    ::_putenv_s("LMXDUOWATCH_ROOT", root.string().c_str());  // TempRoot puts its own back after
    const auto logs = platform::systemRootDirectory("logs");
    ASSERT_TRUE(std::filesystem::is_directory(logs));

    constexpr ACCESS_MASK kFull = FILE_ALL_ACCESS;
    constexpr ACCESS_MASK kReadAndRun = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
    const std::wstring user = platform::win32::processUserSidText();
    std::map<std::wstring, ACCESS_MASK> expected = {
        {L"S-1-5-18", kFull}, {L"S-1-5-32-544", kFull}, {L"S-1-5-32-545", kReadAndRun}};
    expected[user] |= kFull;

    for (const auto& folder : {root, logs}) {
        const FolderAccess access = readAccess(folder);
        for (const auto& [sid, mask] : access.allowed) {
            ASSERT_TRUE(expected.contains(sid)) << folder << " lets " << std::string(sid.begin(), sid.end());
            EXPECT_EQ(0u, mask & ~expected.at(sid)) << folder;
        }
        if (underWine()) continue;
        // The subfolder has the same rights, passed on by the root.
        EXPECT_EQ(expected, access.allowed) << folder;
        EXPECT_TRUE(access.allInheritedByChildren) << folder;
    }
    if (underWine()) return;
    const FolderAccess rootAccess = readAccess(root);
    EXPECT_TRUE(rootAccess.protectedList);
    EXPECT_FALSE(rootAccess.anyInheritedEntry);
}

}  // namespace
