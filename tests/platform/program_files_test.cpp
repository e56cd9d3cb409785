// Files a program keeps beside itself or hands to others: where its logs go on an installed
// suite, the HTML guide behind a help file's name, and a file replaced at once.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/file_replace.h"
#include "platform/help_file.h"
#include "platform/log_folder.h"
#include "platform/win_error.h"
#include "tests/support/temp_root.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

class ProgramLogFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv(kServiceLogsVariable);
        programs = root.path() / "programs";
        fs::create_directories(programs);
        system.program = programs / "dwsvc";
    }
    void TearDown() override { ::unsetenv(kServiceLogsVariable); }

    lmx::testing::TempRoot root;
    lmx::testing::FakeSystemInfo system;
    ScopedSystemInfo scoped{system};
    fs::path programs;
};

TEST_F(ProgramLogFolder, ABuiltProgramWritesBesideItself) {
    EXPECT_EQ(programs.string() + "/", programLogFolder());
}

TEST_F(ProgramLogFolder, AnInstalledSuiteWritesIntoTheRootsLogFolder) {
    std::ofstream(programs / kInstalledMarkerFile) << "installed\n";
    // A root of its own stands for a machine of its own: its log folder lies inside it.
    EXPECT_EQ((root.path() / "logs").string() + "/", programLogFolder());
    EXPECT_TRUE(fs::is_directory(root.path() / "logs"));
}

TEST_F(ProgramLogFolder, TheServiceManagersLogFolderComesFirst) {
    std::ofstream(programs / kInstalledMarkerFile) << "installed\n";
    ::setenv(kServiceLogsVariable, "/var/log/given:/var/log/second", 1);
    EXPECT_EQ("/var/log/given/", programLogFolder());
}

TEST(HelpDocument, ACompiledHelpFileNameStandsForItsHtmlGuide) {
    EXPECT_EQ(fs::path("/opt/lmxduowatch/LMXDuowatchHelp_en/index.html"),
              helpDocument("/opt/lmxduowatch/LMXDuowatchHelp_en.chm"));
    // The bare folder (an unknown language) stays what it is: no document to open.
    EXPECT_EQ(fs::path("/opt/lmxduowatch/"), helpDocument("/opt/lmxduowatch/"));
}

// The guides lie beside the built programs, as installed.
TEST(HelpDocument, BothGuidesLieBesideThePrograms) {
#if LMX_BUILD_GUI
    for (const char* name : {"LMXDuowatchHelp_jp.chm", "LMXDuowatchHelp_en.chm"}) {
        EXPECT_TRUE(fs::is_regular_file(helpDocument(lmx::testing::programsFolder() / name))) << name;
    }
#else
    GTEST_SKIP() << "the build without the GUI has no tray application and no guide";
#endif
}

std::string contents(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ReplaceFile, ReplacesTheWholeFileAndLeavesNoTemporaryFile) {
    lmx::testing::TempRoot root;
    const auto file = root.path() / "lmxduowatch.prom";
    ASSERT_TRUE(replaceFile(file, "first\n"));
    ASSERT_TRUE(replaceFile(file, "second\n"));
    EXPECT_EQ("second\n", contents(file));
    EXPECT_EQ(fs::perms(0644), fs::status(file).permissions() & fs::perms::mask);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(root.path())) ++files;
    EXPECT_EQ(1, files);
}

TEST(ReplaceFile, AMissingFolderFailsWithItsError) {
    lmx::testing::TempRoot root;
    EXPECT_FALSE(replaceFile(root.path() / "missing" / "lmxduowatch.prom", "x"));
    EXPECT_EQ(kErrorPathNotFound, lastError());
}

TEST(ReplaceFile, ALinkAtTheNameIsReplacedNotWrittenThrough) {
    lmx::testing::TempRoot root;
    const auto target = root.path() / "elsewhere";
    std::ofstream(target) << "kept\n";
    fs::create_symlink(target, root.path() / "lmxduowatch.prom");
    ASSERT_TRUE(replaceFile(root.path() / "lmxduowatch.prom", "metrics\n"));
    EXPECT_EQ("kept\n", contents(target));
    EXPECT_FALSE(fs::is_symlink(root.path() / "lmxduowatch.prom"));
}

}  // namespace
}  // namespace platform
