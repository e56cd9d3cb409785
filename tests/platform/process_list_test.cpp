#include "platform/process_list.h"

#include <gtest/gtest.h>
#include <linux/sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/win_error.h"
#include "tests/support/temp_root.h"

extern char** environ;

namespace platform::processes {
namespace {

// Runs copies of sleep under a name no other process on the machine has.
class ProcessListTest : public ::testing::Test {
protected:
    void SetUp() override {
        name = "lmxsleep" + std::to_string(::getpid());
        program = root.path() / name;
        std::filesystem::copy_file("/bin/sleep", program);
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    }
    void TearDown() override {
        for (const pid_t pid : started) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
    pid_t start(char** environment = environ) {
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("60"), nullptr};
        pid_t pid = -1;
        EXPECT_EQ(0, ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environment));
        started.push_back(pid);
        return pid;
    }
    std::optional<ProcessEntry> listed(pid_t pid) {
        const auto processes = snapshotProcesses();
        if (!processes) return std::nullopt;
        const auto found = std::find_if(processes->begin(), processes->end(),
                                        [&](const ProcessEntry& entry) { return entry.processId == static_cast<std::uint32_t>(pid); });
        return found == processes->end() ? std::nullopt : std::optional(*found);
    }
    // Starts the program as process `id` (clone3 with set_tid, which needs root); -1 when the
    // system does not allow it.
    pid_t startWithId(pid_t id) {
        pid_t wanted = id;
        clone_args arguments{};
        arguments.exit_signal = SIGCHLD;
        arguments.set_tid = reinterpret_cast<std::uintptr_t>(&wanted);
        arguments.set_tid_size = 1;
        const long pid = ::syscall(SYS_clone3, &arguments, sizeof arguments);
        if (pid == 0) {
            ::execl(program.c_str(), program.c_str(), "60", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        if (pid > 0) started.push_back(static_cast<pid_t>(pid));
        return static_cast<pid_t>(pid);
    }
    // Ends the child and reaps it: the signal that ended it, or -1.
    int reap(pid_t pid) {
        int status = 0;
        if (::waitpid(pid, &status, 0) != pid) return -1;
        started.erase(std::remove(started.begin(), started.end(), pid), started.end());
        return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
    }

    lmx::testing::TempRoot root;
    std::string name;
    std::filesystem::path program;
    std::vector<pid_t> started;
};

TEST_F(ProcessListTest, SnapshotNamesEachProcessByItsProgramFile) {
    const pid_t pid = start();
    const auto processes = snapshotProcesses();
    ASSERT_TRUE(processes.has_value());
    EXPECT_TRUE(std::is_sorted(processes->begin(), processes->end(),
                               [](const ProcessEntry& a, const ProcessEntry& b) { return a.processId < b.processId; }));
    const auto entry = listed(pid);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(name, entry->exeFile);
    EXPECT_EQ(static_cast<std::uint32_t>(::getpid()), entry->parentProcessId);
    EXPECT_EQ(program, firstModulePath(static_cast<std::uint32_t>(pid)));

    // A program file deleted after the start is still named, and its module path is where it was.
    std::filesystem::remove(program);
    EXPECT_EQ(name, listed(pid)->exeFile);
    EXPECT_EQ(program, firstModulePath(static_cast<std::uint32_t>(pid)));
}

TEST_F(ProcessListTest, ProcessesOfAnotherSystemRootAreNotListed) {
    const pid_t ours = start();
    std::string otherRoot = "LMXDUOWATCH_ROOT=" + (root.path() / "elsewhere").string();
    std::string sameRootSpeltOtherwise = "LMXDUOWATCH_ROOT=" + (root.path() / "sub" / "..").string() + "/";
    char* other[] = {otherRoot.data(), nullptr};
    char* same[] = {sameRootSpeltOtherwise.data(), nullptr};
    char* none[] = {nullptr};
    const pid_t foreign = start(other);
    std::filesystem::create_directories(root.path() / "sub");
    const pid_t alsoOurs = start(same);
    const pid_t defaultRoot = start(none);
    EXPECT_TRUE(listed(ours).has_value());
    EXPECT_TRUE(listed(alsoOurs).has_value());
    EXPECT_FALSE(listed(foreign).has_value());
    EXPECT_FALSE(listed(defaultRoot).has_value());
}

TEST_F(ProcessListTest, TerminateEndsTheProcessAsKilled) {
    const pid_t pid = start();
    auto handle = ProcessHandle::open(kProcessAllAccess, static_cast<std::uint32_t>(pid));
    ASSERT_TRUE(handle.has_value());
    EXPECT_TRUE(handle->terminate(0));
    EXPECT_EQ(SIGKILL, reap(pid));
    // The handle still names the ended process, not whatever gets its id next.
    EXPECT_FALSE(handle->terminate(0));
    EXPECT_EQ(kErrorAccessDenied, lastError());
    EXPECT_FALSE(ProcessHandle::open(kProcessAllAccess, static_cast<std::uint32_t>(pid)).has_value());
    EXPECT_EQ(kErrorInvalidParameter, lastError());
    EXPECT_FALSE(firstModulePath(static_cast<std::uint32_t>(pid)).has_value());
    EXPECT_EQ(kErrorInvalidParameter, lastError());
}

TEST_F(ProcessListTest, AHandleDescribesTheProcessItNamesAndNeverOneThatGotItsIdLater) {
    const pid_t pid = start();
    const auto listed = this->listed(pid);
    ASSERT_TRUE(listed.has_value());
    EXPECT_EQ(static_cast<std::uint32_t>(::getuid()), listed->userId);
    auto handle = ProcessHandle::open(kProcessAllAccess, static_cast<std::uint32_t>(pid));
    ASSERT_TRUE(handle.has_value());
    const auto described = handle->describe();
    ASSERT_TRUE(described.has_value());
    EXPECT_EQ(listed->exeFile, described->exeFile);
    EXPECT_EQ(listed->startTime, described->startTime);
    EXPECT_EQ(listed->userId, described->userId);
    EXPECT_EQ(kErrorSuccess, handle->checkProgramFile());

    ASSERT_EQ(0, ::kill(pid, SIGKILL));
    ASSERT_EQ(SIGKILL, reap(pid));
    // The start time counts in ticks of the system clock: the next process starts a tick later.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const pid_t reused = startWithId(pid);
    if (reused < 0) GTEST_SKIP() << "cannot choose a process id here (" << errno << ")";
    ASSERT_EQ(pid, reused);
    ASSERT_TRUE(this->listed(reused).has_value());

    // The old handle neither describes nor ends the process that got the id.
    EXPECT_FALSE(handle->describe().has_value());
    EXPECT_NE(kErrorSuccess, handle->checkProgramFile());
    EXPECT_FALSE(handle->terminate(0));
    int status = 0;
    EXPECT_EQ(0, ::waitpid(reused, &status, WNOHANG));
    // A handle opened now names the new process, which its start time tells apart.
    const auto fresh = ProcessHandle::open(kProcessAllAccess, static_cast<std::uint32_t>(reused));
    ASSERT_TRUE(fresh.has_value());
    ASSERT_TRUE(fresh->describe().has_value());
    EXPECT_NE(listed->startTime, fresh->describe()->startTime);
}

TEST_F(ProcessListTest, AProgramFileIsJudgedWithoutOpeningIt) {
    const pid_t pid = start();
    auto handle = ProcessHandle::open(kProcessAllAccess, static_cast<std::uint32_t>(pid));
    ASSERT_TRUE(handle.has_value());
    // Replaced by a FIFO, whose open would wait for a writer: the running file has no name left.
    std::filesystem::remove(program);
    ASSERT_EQ(0, ::mkfifo(program.c_str(), 0600));
    EXPECT_EQ(kErrorFileNotFound, handle->checkProgramFile());
    EXPECT_EQ(name, handle->describe()->exeFile);
}

TEST_F(ProcessListTest, EndedButUnreapedProcessesAreNotListed) {
    const pid_t pid = start();
    ASSERT_TRUE(listed(pid).has_value());
    ASSERT_EQ(0, ::kill(pid, SIGKILL));
    siginfo_t info{};
    ASSERT_EQ(0, ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT));  // ended, not reaped
    EXPECT_FALSE(listed(pid).has_value());
}

TEST_F(ProcessListTest, ProcessesOfAnotherUserCannotBeOpened) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(100);
        if (ProcessHandle::open(kProcessAllAccess, static_cast<std::uint32_t>(parent))) ::_exit(101);
        if (lastError() != kErrorAccessDenied) ::_exit(102);
        if (firstModulePath(static_cast<std::uint32_t>(parent))) ::_exit(103);
        ::_exit(lastError() == kErrorAccessDenied ? 0 : 104);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
}

}  // namespace
}  // namespace platform::processes
