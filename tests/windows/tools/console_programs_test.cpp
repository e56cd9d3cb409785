// The console programs of the Windows build run as a user runs them: through cmd.exe, in a test
// root, their output (standard output and error together) and exit code checked.

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/version_info.h"
#include "platform/windows/console_text.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_root.h"
#include "tests/windows/platform/probe_process.h"

namespace {

using lmx::testing::programsFolder;
using lmx::testing::TempRoot;

struct ProgramRun {
    int exitCode = -1;
    std::string output;
};

ProgramRun run(const std::string& program, const std::string& arguments) {
    ProgramRun result;
    const std::string path = (programsFolder() / (program + ".exe")).string();
    // cmd.exe takes the whole line in quotes when it starts with a quote.
    result.output = lmx::testing::captureOutput("\"\"" + path + "\" " + arguments + " 2>&1\"", &result.exitCode);
    return result;
}

TEST(ConsolePrograms, SimulatedControllerIsListedByTheFirmwareTool) {
    TempRoot root;
    const ProgramRun created = run("lmxsim", "create 1 controller ZDA-JW100");
    ASSERT_EQ(0, created.exitCode) << created.output;
    EXPECT_NE(std::string::npos, created.output.find("drive 1: created controller")) << created.output;
    EXPECT_TRUE(std::filesystem::is_regular_file(root.path() / "devices" / "PHYSICALDRIVE1"));

    const ProgramRun listed = run("LMXDuo_fwupTool", "--list");
    EXPECT_EQ(0, listed.exitCode) << listed.output;
    EXPECT_EQ(0u, listed.output.find("Phy No\tModel\tSerial")) << listed.output;
    EXPECT_NE(std::string::npos, listed.output.find("\n1\tZDA-JW100\t")) << listed.output;

    // A 1200-byte image goes in three blocks; the progress and the result are shown.
    const auto image = root.path() / "image.bin";
    std::ofstream(image, std::ios::binary) << std::string(1200, '\x5A');
    const ProgramRun updated = run("LMXDuo_fwupTool", "--update 1 \"" + image.string() + "\"");
    EXPECT_EQ(0, updated.exitCode) << updated.output;
    EXPECT_NE(std::string::npos, updated.output.find("3 / 3")) << updated.output;
    EXPECT_NE(std::string::npos, updated.output.find("Update Success.")) << updated.output;
    const ProgramRun noFile = run("LMXDuo_fwupTool", "--update 1 no-such-image.bin");
    EXPECT_EQ(4, noFile.exitCode) << noFile.output;
    EXPECT_NE(std::string::npos, noFile.output.find("Specified Invalid File.")) << noFile.output;
    // Without an option the tool is its dialog, which windows_gui_tests works.
}

// A file name outside the system's code page reaches the program whole: the command line is
// passed wide (_wpopen), and the firmware tool must read it so, not as main()'s ANSI arguments.
TEST(ConsolePrograms, FirmwareToolTakesAJapaneseImagePath) {
    TempRoot root;
    ASSERT_EQ(0, run("lmxsim", "create 1 controller ZDA-JW100").exitCode);
    const auto image = root.path() / L"\u30D5\u30A1\u30FC\u30E0\u66F4\u65B0.bin";
    std::ofstream(image, std::ios::binary) << std::string(600, '\x5A');
    const std::wstring line = L"\"\"" + (programsFolder() / "LMXDuo_fwupTool.exe").wstring() + L"\" --update 1 \"" +
                              image.wstring() + L"\" 2>&1\"";
    FILE* pipe = ::_wpopen(line.c_str(), L"rb");
    ASSERT_NE(nullptr, pipe);
    std::string output;
    std::array<char, 4096> buffer;
    for (std::size_t read; (read = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) output.append(buffer.data(), read);
    EXPECT_EQ(0, ::_pclose(pipe)) << output;
    EXPECT_NE(std::string::npos, output.find("Update Success.")) << output;
}

// lmxsim's usage text has a character outside ASCII ("…"): a pipe gets it in the system's code
// page, not as UTF-8. ctest runs this case once more in a Japanese locale (code page 932).
TEST(ConsolePrograms, NonAsciiTextIsWrittenInTheSystemCodePage) {
    TempRoot root;
    const char* locale = std::getenv("LC_ALL");
    if (locale && std::string_view(locale) == "ja_JP.UTF-8") {
        EXPECT_EQ(932u, ::GetACP());
    }
    const ProgramRun shown = run("lmxsim", "create x");
    EXPECT_EQ(2, shown.exitCode);
    const std::string ellipsis = platform::win32::inCodePage("\u2026", ::GetACP());
    EXPECT_NE(std::string::npos, shown.output.find("(0, 1, 2 " + ellipsis + ")")) << shown.output;
    if (::GetACP() == 932) {
        EXPECT_EQ("\x81\x63", ellipsis);
    }
}

TEST(ConsolePrograms, ProckillTerminatesAProcessOfTheGivenName) {
    TempRoot root;
    const auto victim = root.path() / "lmxvictim.exe";
    std::filesystem::copy_file(programsFolder() / lmx::probe::kProgram, victim);
    const std::intptr_t child = ::_spawnl(_P_NOWAIT, victim.string().c_str(), "lmxvictim.exe", "sleep", nullptr);
    ASSERT_NE(-1, child);
    // Until Tool Help lists it, prockill may not find it: try again for a while.
    ProgramRun killed;
    EXPECT_TRUE(lmx::testing::eventually([&] {
        killed = run("prockill", "LMXVICTIM.EXE");
        return killed.exitCode == 1;
    })) << killed.output;
    EXPECT_NE(std::string::npos, killed.output.find("LMXVICTIM.EXE process terminated.")) << killed.output;
    int status = -1;
    ::_cwait(&status, child, 0);
    EXPECT_EQ(0, status);  // ended by TerminateProcess(0), not its 30 seconds of sleep

    const ProgramRun none = run("prockill", "lmxvictim.exe");
    EXPECT_EQ(0, none.exitCode);
    EXPECT_NE(std::string::npos, none.output.find("Specified process may not exist.")) << none.output;
}

TEST(ConsolePrograms, ServiceSwitchAndTraySignalWithoutTheirCounterparts) {
    TempRoot root;
    const ProgramRun missing = run("monswitch", "start LMXNoSuchService");
    EXPECT_EQ(1, missing.exitCode);
    EXPECT_NE(std::string::npos, missing.output.find("LMXNoSuchService is not installed (1060).")) << missing.output;
    const ProgramRun usage = run("monswitch", "");
    EXPECT_EQ(1, usage.exitCode);
    EXPECT_NE(std::string::npos, usage.output.find("Usage: monswitch")) << usage.output;

    const ProgramRun signal = run("traysignal", "");
    EXPECT_EQ(0, signal.exitCode);
    EXPECT_NE(std::string::npos, signal.output.find(" not found.")) << signal.output;

    // lmxpipe without a running service: its pipe cannot be opened, and it says so.
    const ProgramRun pipe = run("lmxpipe", "status");
    EXPECT_NE(0, pipe.exitCode) << pipe.output;
}

TEST(ConsolePrograms, EveryProgramCarriesAVersionResource) {
    for (const char* program : {"lmxsim", "lmxpipe", "traysignal", "prockill", "monswitch", "LMXDuo_fwupTool"}) {
        const auto info = platform::getFileVersionInfo(programsFolder() / (std::string(program) + ".exe"));
        ASSERT_TRUE(info) << program;
        const auto version = platform::verQueryValue(*info, "\\StringFileInfo\\041104B0\\ProductVersion");
        EXPECT_TRUE(version && !version->empty()) << program;
        const auto name = platform::verQueryValue(*info, "\\StringFileInfo\\041104B0\\OriginalFilename");
        EXPECT_EQ(std::string(program) + ".exe", name.value_or("")) << program;
    }
    const auto fwup = platform::getFileVersionInfo(programsFolder() / "LMXDuo_fwupTool.exe");
    ASSERT_TRUE(fwup);
    EXPECT_EQ("1, 5, 1, 1", platform::verQueryValue(*fwup, "\\StringFileInfo\\041104B0\\ProductVersion").value_or(""));
}

}  // namespace
