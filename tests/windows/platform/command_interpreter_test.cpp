// cmd.exe /c in a working folder, with the command's exit code.

#include "platform/command_interpreter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/ipc_errors.h"
#include "platform/win_error.h"
#include "tests/support/temp_root.h"

namespace platform {
namespace {

TEST(CommandInterpreter, RunsInTheWorkingFolderAndGivesTheExitCode) {
    lmx::testing::TempRoot root;
    EXPECT_EQ(7, runCommandInterpreter("exit 7", root.path()));
    const auto folder = root.path() / "programs";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "monswitch.cmd") << "@cd > where.txt\r\n@echo %1 %2> arguments.txt\r\n@exit 2\r\n";
    EXPECT_EQ(2, runCommandInterpreter("monswitch stop LMXDuowatch", folder));
    std::string where;
    std::string arguments;
    std::getline(std::ifstream(folder / "where.txt"), where);
    std::getline(std::ifstream(folder / "arguments.txt"), arguments);
    EXPECT_EQ(folder.string(), where.substr(0, where.find_last_not_of(" \r") + 1));
    EXPECT_EQ("stop LMXDuowatch", arguments.substr(0, arguments.find_last_not_of(" \r") + 1));

    EXPECT_FALSE(runCommandInterpreter("exit 0", root.path() / "missing").has_value());
    EXPECT_EQ(kErrorDirectory, lastError());
}

}  // namespace
}  // namespace platform
