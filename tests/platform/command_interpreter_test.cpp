#include "platform/command_interpreter.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>

#include "platform/ipc_errors.h"
#include "platform/win_error.h"
#include "tests/support/temp_root.h"

namespace platform {
namespace {

class CommandInterpreterTest : public ::testing::Test {
protected:
    lmx::testing::TempRoot root;
};

TEST_F(CommandInterpreterTest, GivesTheCommandsExitCode) {
    EXPECT_EQ(0, runCommandInterpreter("true", root.path()));
    EXPECT_EQ(7, runCommandInterpreter("exit 7", root.path()));
    EXPECT_EQ(128 + SIGKILL, runCommandInterpreter("kill -KILL $$", root.path()));
}

TEST_F(CommandInterpreterTest, RunsInTheWorkingFolderAndFindsItsProgramsFirst) {
    const auto folder = root.path() / "programs";
    std::filesystem::create_directories(folder);
    {
        std::ofstream script(folder / "monswitch");
        script << "#!/bin/sh\npwd > where.txt\necho \"$1 $2\" > arguments.txt\nexit 2\n";
    }
    std::filesystem::permissions(folder / "monswitch", std::filesystem::perms::owner_all);
    EXPECT_EQ(2, runCommandInterpreter("monswitch stop LMXDuowatch", folder));
    std::string where;
    std::string arguments;
    std::getline(std::ifstream(folder / "where.txt"), where);
    std::getline(std::ifstream(folder / "arguments.txt"), arguments);
    EXPECT_EQ(folder.string(), where);
    EXPECT_EQ("stop LMXDuowatch", arguments);
}

TEST_F(CommandInterpreterTest, CommandDoesNotInheritTheCallersBlockedSignals) {
    sigset_t blocked;
    sigset_t previous;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    ASSERT_EQ(0, pthread_sigmask(SIG_BLOCK, &blocked, &previous));
    const auto result = runCommandInterpreter("kill -TERM $$; exit 0", root.path());
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    EXPECT_EQ(128 + SIGTERM, result);
}

TEST_F(CommandInterpreterTest, MissingWorkingFolderFails) {
    EXPECT_FALSE(runCommandInterpreter("true", root.path() / "missing").has_value());
    EXPECT_EQ(kErrorDirectory, lastError());
}

}  // namespace
}  // namespace platform
