// prockill as a real process against copies of sleep that this test starts under a name no
// other process on the machine has.

#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>

#include "tests/support/other_user.h"
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
    // A copy started by the other user, as a local user may start any program under any name.
    pid_t startAsOtherUser() {
        lmx::testing::openToOtherUsers(root.path());
        std::filesystem::permissions(sleeper, std::filesystem::perms::owner_all | std::filesystem::perms::group_exec |
                                                  std::filesystem::perms::others_exec | std::filesystem::perms::others_read);
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setresgid(lmx::testing::kOtherGroupId, lmx::testing::kOtherGroupId, lmx::testing::kOtherGroupId) != 0 ||
                ::setresuid(lmx::testing::kOtherUserId, lmx::testing::kOtherUserId, lmx::testing::kOtherUserId) != 0) {
                ::_exit(120);
            }
            ::execl(sleeper.c_str(), sleeper.c_str(), "60", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        running.push_back(pid);
        // Started once it runs the copy under its name.
        for (int i = 0; i < 500; ++i) {
            std::error_code error;
            if (std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error) == sleeper) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
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

TEST_F(ProckillTest, RootEndsItsOwnProcessBeforeAnotherUsersOfTheSameName) {
    if (!lmx::testing::canActAsOtherUser()) GTEST_SKIP() << "needs root to act as another user";
    const pid_t decoy = startAsOtherUser();  // first in list order, unless the ids wrapped
    const pid_t own = start();
    const auto run = prockill({name});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_EQ(name + " process terminated.\n", run.output);
    EXPECT_TRUE(killedAfterRun(own));
    EXPECT_FALSE(killed(decoy));

    // With no process of its own left, the other user's is the one of that name.
    const auto second = prockill({name});
    EXPECT_EQ(1, second.exitCode);
    EXPECT_TRUE(killedAfterRun(decoy));
}

TEST_F(ProckillTest, AProgramFileReplacedByAFifoIsNeverOpened) {
    const pid_t pid = start();
    std::filesystem::remove(sleeper);
    ASSERT_EQ(0, ::mkfifo(sleeper.c_str(), 0644));
    const auto spawned = lmx::testing::spawnProgram(lmx::testing::programsFolder() / "prockill", "prockill", {name});
    ASSERT_TRUE(spawned);
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 1000 && !ended; ++i) {
        ended = ::waitpid(spawned->pid, &status, WNOHANG) == spawned->pid;
        if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!ended) {
        ::kill(spawned->pid, SIGKILL);
        ::waitpid(spawned->pid, &status, 0);
    }
    std::string output;
    char buffer[512];
    for (ssize_t got; (got = ::read(spawned->output, buffer, sizeof buffer)) > 0;) output.append(buffer, static_cast<std::size_t>(got));
    ::close(spawned->output);
    ASSERT_TRUE(ended) << "prockill blocked";
    EXPECT_EQ(0, WEXITSTATUS(status));
    EXPECT_EQ("Cannot open input file. Error: 2\n" + failure(name), output);
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
