#include "service/monitor/pipe_access.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dwsvc {
namespace {

TEST(PipeAccessTest, OnlyRequestsThatChangeSomethingNeedTheRight) {
    std::vector<int> changing;
    for (int code = 0; code < 256; ++code) {
        if (changesControllers(static_cast<std::uint8_t>(code))) changing.push_back(code);
    }
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5, 8, 9, 10, 12, 13}), changing);
}

TEST(PipeAccessTest, AFloodOfRefusalsWritesOneLinePerUserAMinute) {
    std::vector<std::string> lines;
    RefusalLog log([&](std::string_view line) { lines.emplace_back(line); });
    const auto start = RefusalLog::Clock::time_point{} + std::chrono::hours(1);
    for (int i = 0; i < 1000; ++i) log.note(1001, 77, 10, start + std::chrono::milliseconds(i));
    log.note(1002, 78, 2, start);
    ASSERT_EQ(2u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("user 1001 (process 77)"));
    EXPECT_NE(std::string::npos, lines[1].find("user 1002"));
    log.note(1001, 77, 10, start + std::chrono::minutes(1) + std::chrono::seconds(1));
    ASSERT_EQ(3u, lines.size());
    EXPECT_NE(std::string::npos, lines[2].find("999 more"));
}

}  // namespace
}  // namespace dwsvc
