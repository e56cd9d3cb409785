#include "service/monitor/message_format.h"

#include <gtest/gtest.h>

namespace dwsvc {
namespace {

TEST(MessageFormat, FormatsLikePrintf) {
    EXPECT_EQ("No.2, RAID No.3\n", formatMessage("No.%d, RAID No.%d\n", {std::int64_t{2}, std::int64_t{3}}));
    EXPECT_EQ("閾値:  9 C", formatMessage("閾値: %2d C", {std::int64_t{9}}));
    EXPECT_EQ("[LOGID = 0x00C8]", formatMessage("[LOGID = 0x%04X]", {std::int64_t{200}}));
    EXPECT_EQ("100% ok", formatMessage("100%% %s", {std::string_view("ok")}));
    EXPECT_EQ("[abc]", formatMessage("[%.3s]", {std::string_view("abcdef")}));
    EXPECT_EQ("-5", formatMessage("%ld", {std::int64_t{-5}}));
}

TEST(MessageFormat, MismatchedConversionsAreRefused) {
    EXPECT_FALSE(formatMessage("%s", {std::int64_t{1}}));
    EXPECT_FALSE(formatMessage("%d", {std::string_view("x")}));
    EXPECT_FALSE(formatMessage("%d %d", {std::int64_t{1}}));
    EXPECT_FALSE(formatMessage("%d", {std::int64_t{1}, std::int64_t{2}}));
    EXPECT_FALSE(formatMessage("%n", {std::int64_t{1}}));
    EXPECT_FALSE(formatMessage("%*d", {std::int64_t{1}}));
    EXPECT_FALSE(formatMessage("trailing %", {}));
    EXPECT_EQ("iis", conversionKinds("%d, %2d %s %%"));
    EXPECT_FALSE(conversionKinds("%p").has_value());
}

}  // namespace
}  // namespace dwsvc
