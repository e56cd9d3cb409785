// What the Windows program files carry besides their code: the language library's string and
// event message tables and export, and each program's version resource.

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/library.h"
#include "platform/version_info.h"
#include "platform/windows/wide_text.h"
#include "tests/support/temp_root.h"

namespace {

using EventlogString = std::uint8_t(std::int32_t, char*, std::int32_t);

class LanguageLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        const auto path = lmx::testing::programsFolder() / "TXTRES_EN.dll";
        module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, module) << ::GetLastError();
    }
    void TearDown() override {
        if (module) ::FreeLibrary(module);
    }
    HMODULE module = nullptr;
};

// A log viewer formats an entry of the service with the library's message of the entry's id:
// every id, per-drive ids included, shows the service's composed text (the second string).
TEST_F(LanguageLibrary, EveryEventIdShowsTheComposedText) {
    const std::array<DWORD_PTR, 2> strings{reinterpret_cast<DWORD_PTR>(L"LMXDuowatch"),
                                           reinterpret_cast<DWORD_PTR>(L"composed text")};
    for (const DWORD id : {0x4002000Au, 0x40020014u, 0xC002001Eu, 0x40020064u + 3, 0x80020190u + 99, 0x40020383u,
                           0x80020384u + 1, 0x800203E8u + 5}) {
        wchar_t text[256] = {};
        const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module, id, 0,
                                              text, 256, reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(strings.data())));
        EXPECT_EQ(L"composed text\r\n", std::wstring(text, length)) << std::hex << id;
    }
    wchar_t text[16] = {};
    EXPECT_EQ(0u, ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, module, 0x40020001,
                                   0, text, 16, nullptr));
}

// The string table holds the texts the export gives, number for number.
TEST_F(LanguageLibrary, StringTableHoldsTheExportsTexts) {
    auto library = platform::Library::load("TXTRES_EN.dll");
    ASSERT_TRUE(library.has_value());
    const auto eventlogString = library->function<EventlogString>("eventlogString");
    ASSERT_NE(nullptr, eventlogString);
    for (int index = 1; index <= 22; ++index) {
        char exported[1024] = {};
        ASSERT_EQ(1, eventlogString(index, exported, sizeof exported)) << index;
        wchar_t resource[1024] = {};
        const int length = ::LoadStringW(module, static_cast<UINT>(index), resource, 1024);
        EXPECT_EQ(exported, platform::win32::narrow(std::wstring_view(resource, static_cast<std::size_t>(length)))) << index;
    }
    wchar_t resource[64] = {};
    EXPECT_LT(0, ::LoadStringW(module, 143, resource, 64));
}

TEST(ProgramVersion, DwsvcCarriesTheProductsVersionRecord) {
    const auto info = platform::getFileVersionInfo(lmx::testing::programsFolder() / "dwsvc.exe");
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ("LMX Duowatch Service", platform::verQueryValue(*info, "\\StringFileInfo\\041104B0\\ProductName"));
    EXPECT_EQ("1, 0, 0, 1", platform::verQueryValue(*info, "\\StringFileInfo\\041104B0\\ProductVersion"));
}

}  // namespace
