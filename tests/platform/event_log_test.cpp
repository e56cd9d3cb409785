#include "platform/event_log.h"

#include <gtest/gtest.h>

#include "tests/support/temp_root.h"

namespace platform::eventlog {
namespace {

TEST(EventLog, EntriesKeepTheirFieldsInRecordOrder) {
    lmx::testing::TempRoot root;
    {
        auto source = EventSource::registerSource("LMXDuowatch");
        ASSERT_TRUE(source.has_value());
        EXPECT_TRUE(source->report(kInformationType, 0, 0x4002000A, {"LMXDuowatch", "監視を開始しました"}));
        EXPECT_TRUE(source->report(kErrorType, 3, 0xC0020258, {"LMXDuowatch", "lost\nline two"}));
    }
    const auto records = readEvents();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("LMXDuowatch", records[0].source);
    EXPECT_EQ(0x4002000Au, records[0].eventId);
    EXPECT_EQ(kInformationType, records[0].type);
    EXPECT_EQ((std::vector<std::string>{"LMXDuowatch", "監視を開始しました"}), records[0].strings);
    EXPECT_EQ(0xC0020258u, records[1].eventId);
    EXPECT_EQ(3, records[1].category);
    EXPECT_EQ("lost\nline two", records[1].strings[1]);
    EXPECT_LT(records[0].recordNumber, records[1].recordNumber);
    EXPECT_GT(records[0].timeGenerated, 1'600'000'000);

    const auto later = readEvents(records[0].recordNumber);
    ASSERT_EQ(1u, later.size());
    EXPECT_EQ(records[1].recordNumber, later[0].recordNumber);
}

TEST(EventLog, TextThatIsNotUtf8IsKeptRatherThanLost) {
    lmx::testing::TempRoot root;
    auto source = EventSource::registerSource("LMXDuowatch");
    ASSERT_TRUE(source.has_value());
    const std::string broken = "model \xff\xfe end";
    EXPECT_TRUE(source->report(kWarningType, 0, 1, {broken}));
    const auto records = readEvents();
    ASSERT_EQ(1u, records.size());
    ASSERT_EQ(1u, records[0].strings.size());
    EXPECT_NE(std::string::npos, records[0].strings[0].find(" end"));
}

}  // namespace
}  // namespace platform::eventlog
