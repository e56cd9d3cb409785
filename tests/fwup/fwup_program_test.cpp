// LMXDuo_fwupTool's command-line modes as a server's administrator meets them: the real program
// on simulated drives.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "tests/fwup/fwup_test_root.h"
#include "tests/support/eventually.h"
#include "tests/support/other_user.h"
#include "tests/tools/program_run.h"

namespace fwup {
namespace {

using namespace std::chrono_literals;

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (const char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class FwupProgram : public testing::FwupTestRoot {
protected:
    struct Run {
        int exitCode = -1;
        std::string out;
        std::string err;
    };

    static std::filesystem::path program() { return lmx::testing::programsFolder() / "LMXDuo_fwupTool"; }

    // The program with `arguments` (shell words), standard error to a file.
    Run run(const std::string& arguments, const std::string& environment = "") const {
        const auto errors = root.path() / "stderr.txt";
        Run result;
        result.out = lmx::testing::captureOutput(
            environment + quoted(program().string()) + " " + arguments + " 2>" + quoted(errors.string()),
            &result.exitCode);
        result.err = fileText(errors);
        return result;
    }
};

TEST_F(FwupProgram, HelpDescribesTheServerModesAndTheirExitStatus) {
    const Run help = run("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("LMXDuo_fwupTool --list"), std::string::npos);
    EXPECT_NE(help.out.find("LMXDuo_fwupTool --update N FILE"), std::string::npos);
    EXPECT_NE(help.out.find("5 \"Update Canceled.\""), std::string::npos);
    EXPECT_TRUE(help.err.empty());
}

TEST_F(FwupProgram, ListPrintsTheDialogsRowsWithTabsBetweenCells) {
    controller(0, "Lumavex ZDAP-RS482");
    disk(1);
    controller(3, "ZDA-JW100");
    const Run list = run("--list");
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out,
              "Phy No\tModel\tSerial\tF/W\tFPGA\tB/L\tCapacity\n"
              "0\tLumavex ZDAP-RS482\tLMX0000000000001\tV1.05\t0115\tBL1.02\t0x000074706DB0\n"
              "1\tLMXSIM ATA DISK\tDSK0000000000001\t1.0\t----\t--------\t0x00003A386030\n"
              "3\tZDA-JW100\tLMX0000000000001\tV1.05\t0115\tBL1.02\t0x000074706DB0\n");
    EXPECT_TRUE(list.err.empty());
}

TEST_F(FwupProgram, UpdateReportsItsResultOnStandardOutputAndInItsExitStatus) {
    controller(2);
    const auto file = image(1200);
    const Run success = run("--update 2 " + quoted(file.string()));
    EXPECT_EQ(success.exitCode, 0);
    EXPECT_EQ(success.out, "Update Success.\n");
    EXPECT_EQ(success.err, "1 / 3\n2 / 3\n3 / 3\n");
    auto expected = testing::imageBytes(1200);
    expected.resize(3 * 512, 0);
    EXPECT_EQ(simulator::readFirmware(drive(2)), expected);

    const Run invalid = run("--update 2 " + quoted((root.path() / "none.bin").string()));
    EXPECT_EQ(invalid.exitCode, 4);
    EXPECT_EQ(invalid.out, "Specified Invalid File.\n");

    const Run absent = run("--update 7 " + quoted(file.string()));
    EXPECT_EQ(absent.exitCode, 3);
    EXPECT_EQ(absent.out, "Device Open Error.\n");

    faults(2, {{"faults.rejectDirect", "50"}, {"faults.rejectSat", "50"}});
    const Run failure = run("--update 2 " + quoted(file.string()));
    EXPECT_EQ(failure.exitCode, 2);
    EXPECT_EQ(failure.out, "Update Failure.\n");
    EXPECT_EQ(failure.err, "1 / 3\n");
}

TEST_F(FwupProgram, AWrongCommandLineIsRefusedBeforeAnyDriveIsTouched) {
    controller(0);
    const auto file = image(512);
    for (const std::string& arguments : std::vector<std::string>{"--update 32 " + quoted(file.string()), "--update 0",
                                                                 "--list now",
                                                                 "--update 0 " + quoted(file.string()) + " more"}) {
        const Run wrong = run(arguments);
        EXPECT_EQ(wrong.exitCode, 1) << arguments;
        EXPECT_TRUE(wrong.out.empty());
        EXPECT_NE(wrong.err.find("--help"), std::string::npos) << wrong.err;
    }
    EXPECT_TRUE(simulator::readCommandLog(drive(0)).empty());
}

TEST_F(FwupProgram, WithoutADesktopTheDialogModeNamesTheServerModes) {
    const Run bare = run("", "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ");
    EXPECT_EQ(bare.exitCode, 1);
    EXPECT_NE(bare.err.find("--update N FILE"), std::string::npos) << bare.err;
}

TEST_F(FwupProgram, CtrlCCancelsAfterTheBlockInFlightAndASecondCopyIsRefusedMeanwhile) {
    controller(0);
    faults(0, {{"faults.delayMs", "40"}});
    constexpr int kBlocks = 200;
    const auto file = image(kBlocks * 512);
    const auto errors = root.path() / "update-stderr.txt";
    const auto spawned = lmx::testing::spawnProgram(
        "/bin/sh", "sh",
        {"-c", "exec " + quoted(program().string()) + " --update 0 " + quoted(file.string()) + " 2>" +
                   quoted(errors.string())});
    ASSERT_TRUE(spawned);
    ASSERT_TRUE(lmx::testing::eventually([&] { return simulator::readFirmware(drive(0)).size() >= 2 * 512; }));

    const Run second = run("--list");
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_EQ(second.err, "Program Already Running\n");

    ASSERT_EQ(::kill(spawned->pid, SIGINT), 0);
    std::string out;
    char buffer[256];
    for (ssize_t got; (got = ::read(spawned->output, buffer, sizeof buffer)) > 0;) {
        out.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(spawned->output);
    int status = 0;
    ASSERT_EQ(::waitpid(spawned->pid, &status, 0), spawned->pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 5);
    EXPECT_EQ(out, "Update Canceled.\n");

    // Whole blocks only, each one logged as accepted, and not all of them.
    const auto received = simulator::readFirmware(drive(0));
    const auto sent = commands(0, "92");
    EXPECT_EQ(received.size(), sent.size() * 512);
    EXPECT_LT(sent.size(), static_cast<std::size_t>(kBlocks));
    for (const auto& logged : sent) EXPECT_EQ(logged.result, "ok");
    auto expected = testing::imageBytes(sent.size() * 512);
    EXPECT_EQ(received, expected);
}

TEST_F(FwupProgram, ASecondUpdateIsRefusedWhileTheFirstRunsThoughAnotherUserPlantedRootsFolder) {
    if (!lmx::testing::canActAsOtherUser()) GTEST_SKIP() << "taking another user's identity needs root";
    // The sessions folder as an older layout left it, open to all, and root's folder in it made
    // by another user first.
    lmx::testing::openToOtherUsers(root.path());
    std::filesystem::create_directory(root.path() / "sessions");
    std::filesystem::permissions(root.path() / "sessions", std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
    ASSERT_EQ(0, lmx::testing::runAsOtherUser([&] { return std::filesystem::create_directory(root.path() / "sessions" / "0") ? 0 : 1; }));

    controller(0);
    faults(0, {{"faults.delayMs", "40"}});
    const auto file = image(200 * 512);
    const auto spawned = lmx::testing::spawnProgram(program(), "LMXDuo_fwupTool", {"--update", "0", file.string()});
    ASSERT_TRUE(spawned);
    ASSERT_TRUE(lmx::testing::eventually([&] { return simulator::readFirmware(drive(0)).size() >= 2 * 512; }));

    const Run second = run("--update 0 " + quoted(file.string()));
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_EQ(second.err, "Program Already Running\n");

    ASSERT_EQ(::kill(spawned->pid, SIGINT), 0);
    char buffer[256];
    while (::read(spawned->output, buffer, sizeof buffer) > 0) {
    }
    ::close(spawned->output);
    int status = 0;
    ASSERT_EQ(::waitpid(spawned->pid, &status, 0), spawned->pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 5);
}

TEST_F(FwupProgram, WithoutAPlaceForItsGuardTheToolSaysSoAndDoesNotRun) {
    controller(0);
    const auto file = image(512);
    // The sessions folder is a link: not one to keep the guard in.
    std::filesystem::create_directory(root.path() / "elsewhere");
    std::filesystem::create_directory_symlink(root.path() / "elsewhere", root.path() / "sessions");
    const Run update = run("--update 0 " + quoted(file.string()));
    EXPECT_EQ(update.exitCode, 1);
    EXPECT_TRUE(update.out.empty());
    EXPECT_NE(update.err.find("cannot make sure that it is the only copy running"), std::string::npos) << update.err;
    EXPECT_TRUE(simulator::readFirmware(drive(0)).empty());
    EXPECT_TRUE(std::filesystem::is_empty(root.path() / "elsewhere"));
}

}  // namespace
}  // namespace fwup
