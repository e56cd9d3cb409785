#include <windows.h>

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/windows/root_scope.h"
#include "platform/windows/wide_text.h"
#include "tests/support/temp_root.h"

namespace platform::registry {
namespace {

// What another program (regedit, an installer) reads at the key the suite wrote.
std::wstring nativeString(const std::string& path, const wchar_t* name, DWORD& type) {
    wchar_t buffer[128] = {};
    DWORD size = sizeof buffer;
    const auto full = win32::widen(win32::registryRootKey() + "\\" + path);
    if (::RegGetValueW(HKEY_CURRENT_USER, full.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, buffer, &size) != ERROR_SUCCESS) {
        return L"<missing>";
    }
    return buffer;
}

TEST(RegistryLocation, ATestRootsKeysLiveUnderTheCurrentUserAndTextsAreUtf16) {
    lmx::testing::TempRoot root;
    Key key;
    ASSERT_EQ(kErrorSuccess, Key::create("SYSTEM\\CurrentControlSet\\Services\\LMXDuowatch", kKeyAllAccess, key));
    ASSERT_EQ(kErrorSuccess, key.setString("Model", "監視 ZDA"));
    DWORD type = 0;
    EXPECT_EQ(L"監視 ZDA", nativeString("SYSTEM\\CurrentControlSet\\Services\\LMXDuowatch", L"Model", type));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    std::string text;
    ASSERT_EQ(kErrorSuccess, key.queryString("Model", text));
    EXPECT_EQ("監視 ZDA", text);

    // The machine's own key is not where a test root writes.
    HKEY machine = nullptr;
    EXPECT_NE(ERROR_SUCCESS,
              ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\LMXDuowatch", 0, KEY_READ, &machine));
}

TEST(RegistryLocation, AKeyGoesWithItsRootAndAnotherRootDoesNotSeeIt) {
    std::wstring first;
    {
        lmx::testing::TempRoot root;
        Key key;
        ASSERT_EQ(kErrorSuccess, Key::create("Shared", kKeyAllAccess, key));
        ASSERT_EQ(kErrorSuccess, key.setDword("V", 1));
        first = win32::widen(win32::registryRootKey());
        lmx::testing::TempRoot other;
        EXPECT_EQ(kErrorFileNotFound, Key::open("Shared", kKeyRead, key));
    }
    HKEY gone = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ::RegOpenKeyExW(HKEY_CURRENT_USER, first.c_str(), 0, KEY_READ, &gone));
}

}  // namespace
}  // namespace platform::registry
