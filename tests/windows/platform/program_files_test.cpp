// Program files on Windows: version records, libraries, help documents and console texts.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/console.h"
#include "platform/help_file.h"
#include "platform/library.h"
#include "platform/system_info.h"
#include "platform/version_info.h"
#include "platform/win_error.h"
#include "platform/windows/console_text.h"
#include "tests/support/temp_root.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

TEST(VersionInfo, AProgramFilesRecordIsReadAndOtherFilesHaveNone) {
    const auto program = realSystemInfo().programPath();
    ASSERT_TRUE(program);
    const auto info = getFileVersionInfo(*program);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ("1, 0, 0, 1", verQueryValue(*info, "\\StringFileInfo\\041104B0\\ProductVersion").value_or(""));
    EXPECT_EQ("LMX Duowatch platform tests", verQueryValue(*info, "\\StringFileInfo\\041104b0\\ProductName").value_or(""));
    EXPECT_FALSE(verQueryValue(*info, "\\StringFileInfo\\041104B0\\Missing").has_value());
    EXPECT_FALSE(verQueryValue(*info, "\\StringFileInfo\\040904B0\\ProductVersion").has_value());

    lmx::testing::TempRoot root;
    EXPECT_FALSE(getFileVersionInfo(root.path() / "missing.exe").has_value());
    std::ofstream(root.path() / "text.exe") << "ProductVersion=9, 9, 9, 9\n";
    EXPECT_FALSE(getFileVersionInfo(root.path() / "text.exe").has_value());
}

TEST(Library, ExportsAreFoundAndMissingOnesSaySo) {
    auto library = Library::load("kernel32.dll");
    ASSERT_TRUE(library.has_value());
    EXPECT_NE(nullptr, library->symbol("GetTickCount"));
    EXPECT_EQ(nullptr, library->symbol("NoSuchExport"));
    EXPECT_EQ(kErrorProcNotFound, lastError());
    auto moved = std::move(*library);
    EXPECT_NE(nullptr, moved.symbol("GetTickCount"));

    EXPECT_FALSE(Library::load("LMXNoSuchLibrary.dll").has_value());
    EXPECT_EQ(kErrorModNotFound, lastError());
}

TEST(HelpFile, AMissingCompiledHelpFileStandsForItsHtmlGuide) {
    lmx::testing::TempRoot root;
    const auto chm = root.path() / "LMXDuowatchHelp_en.chm";
    EXPECT_EQ(root.path() / "LMXDuowatchHelp_en" / "index.html", helpDocument(chm));
    std::ofstream(chm) << "ITSF";
    EXPECT_EQ(chm, helpDocument(chm));
}

TEST(ConsoleText, TextOutsideAConsoleIsInTheSystemsCodePage) {
    // Shift_JIS, the code page of a Japanese Windows.
    EXPECT_EQ("\x8a\xc4\x8e\x8b OK", win32::inCodePage("監視 OK", 932));

    std::FILE* file = std::tmpfile();
    ASSERT_NE(nullptr, file);
    writeConsoleText(file, "監視 OK\n");
    std::rewind(file);
    char bytes[64] = {};
    const std::size_t read = std::fread(bytes, 1, sizeof bytes, file);
    std::fclose(file);
    EXPECT_EQ(win32::inCodePage("監視 OK\n", ::GetACP()), std::string(bytes, read));
}

}  // namespace
}  // namespace platform
