// prockill as a real process against copies of sleep that this test starts under a name no
// other process on the machine has.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>

#include "tests/support/temp_root.h"
#include "tests/tools/program_run.h"

extern char** environ;

namespace {

class ProckillTest : public ::testing::Test {
protected:
    void SetUp() override {
        name = "LmxSleeper" + std::to_string(::getpid());
        sleeper = root.path() / name;
        std::filesystem::copy_file("/bin/sleep", sleeper);
        std::filesystem::permissions(sleeper, std::filesystem::perms::owner_all);
    }
    void TearDown() override {
        for (const pid_t pid : running) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
    pid_t start() {
        char* argv[] = {const_cast<char*>(sleeper.c_str()), const_cast<char*>("60"), nullptr};
        pid_t pid = -1;
        EXPECT_EQ(0, ::posix_spawn(&pid, sleeper.c_str(), nullptr, nullptr, argv, environ));
        running.push_back(pid);
        return pid;
    }
    // True when the process was ended by SIGKILL (and is reaped now); false while it runs.
    bool killed(pid_t pid) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) != pid) return false;
        running.erase(std::remove(running.begin(), running.end(), pid), running.end());
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }
    // prockill has ended the process when its run returns; only the reaping may lag.
    bool killedAfterRun(pid_t pid) {
        for (int i = 0; i < 200; ++i) {
            if (killed(pid)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    lmx::testing::ProgramRun prockill(const std::vector<std::string>& arguments) {
        return lmx::testing::runProgram(lmx::testing::programsFolder() / "prockill", "prockill", arguments);
    }
    static std::string failure(const std::string& name) {
        return "Failed to terminate " + name + " process!\nSpecified process may not exist.\n";
    }

    lmx::testing::TempRoot root;
    std::string name;
    std::filesystem::path sleeper;
    std::vector<pid_t> running;
};

TEST_F(ProckillTest, EndsTheProgramNamedInAnyLetterCase) {
    const pid_t pid = start();
    std::string upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const auto run = prockill({upper});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_EQ(upper + " process terminated.\n", run.output);
    EXPECT_TRUE(killedAfterRun(pid));
}

TEST_F(ProckillTest, EndsOnlyTheFirstOfTwoInListOrder) {
    const pid_t one = start();
    const pid_t two = start();
    const auto run = prockill({name});
    EXPECT_EQ(1, run.exitCode);
    const pid_t first = std::min(one, two);
    const pid_t second = std::max(one, two);
    EXPECT_TRUE(killedAfterRun(first));
    EXPECT_FALSE(killed(second));
}

TEST_F(ProckillTest, ProgramNotRunningIsReportedWithExitCodeZero) {
    const auto run = prockill({name});
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ(failure(name), run.output);
}

TEST_F(ProckillTest, ProcessWhoseProgramFileIsGoneIsLeftAlone) {
    const pid_t pid = start();
    std::filesystem::remove(sleeper);
    const auto run = prockill({name});
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ("Cannot open input file. Error: 2\n" + failure(name), run.output);
    EXPECT_FALSE(killed(pid));
}

TEST_F(ProckillTest, WithoutAnArgumentItEndsNothing) {
    const pid_t pid = start();
    const auto run = prockill({});
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ("Usage: prockill <executable file name>\n", run.output);
    EXPECT_FALSE(killed(pid));
}

}  // namespace
