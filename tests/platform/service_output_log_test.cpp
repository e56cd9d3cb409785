// The log of a service started without systemd: bounded, with one older file kept.

#include "platform/linux/service_output_log.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/system_info.h"
#include "tests/support/temp_root.h"

namespace platform::service_log {
namespace {

std::string contentOf(const std::filesystem::path& file) {
    std::ifstream in(file);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(ServiceOutputLog, GrownPastItsLimitItMovesAsideAndANewOneTakesTheOutput) {
    lmx::testing::TempRoot root;
    const auto log = logPathFor(*platform::systemInfo().programPath());
    const pid_t child = ::fork();
    if (child == 0) {
        // As the service started by monswitch: its output is its log.
        const auto opened = openLog(log);
        ::dup2(opened.get(), STDOUT_FILENO);
        std::printf("%s", std::string(100, 'a').c_str());
        keepBounded(1000);  // below the limit: nothing happens
        std::printf("%s", std::string(1000, 'b').c_str());
        keepBounded(1000);
        std::printf("after\n");
        std::fflush(stdout);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    EXPECT_EQ(std::string(100, 'a') + std::string(1000, 'b'), contentOf(log.string() + ".1"));
    EXPECT_EQ("after\n", contentOf(log));
}

TEST(ServiceOutputLog, OutputThatIsNotTheLogIsLeftAlone) {
    lmx::testing::TempRoot root;
    const auto log = logPathFor(*platform::systemInfo().programPath());
    std::ofstream(log) << std::string(2000, 'x');
    keepBounded(1000);  // this process's output is not the log
    EXPECT_EQ(2000u, std::filesystem::file_size(log));
    EXPECT_FALSE(std::filesystem::exists(log.string() + ".1"));
}

}  // namespace
}  // namespace platform::service_log
