// Entries the event log cannot take are kept and written later in order with their times, and
// entries that are lost from it are told by one entry.

#include "service/monitor/event_backlog.h"

#include <gtest/gtest.h>

#include <vector>

#include "service/monitor/event_ids.h"
#include "service/monitor/event_writer.h"
#include "tests/service/monitor/logged_entries.h"

namespace dwsvc {
namespace {

using testing::entry;
using testing::noticeOf;

class RefusingSink final : public EventSink {
public:
    bool accepting = false;
    std::vector<std::string> systemLog;
    std::vector<std::pair<std::int64_t, std::string>> eventLog;

    bool toSystemLog(const LoggedEvent& event) override {
        systemLog.push_back(event.text);
        return true;
    }
    bool toEventLog(const LoggedEvent& event) override {
        if (accepting) eventLog.emplace_back(event.time, event.text);
        return accepting;
    }
};

using Written = std::vector<std::pair<std::int64_t, std::string>>;

TEST(EventBacklog, KeptEntriesFollowInOrderAndOverflowIsToldOnce) {
    RefusingSink sink;
    EventBacklog backlog(sink, 3, noticeOf);
    for (std::uint32_t id = 1; id <= 5; ++id) EXPECT_FALSE(backlog.write(entry(id, 100 + id)));
    EXPECT_EQ(5u, sink.systemLog.size());  // every entry reached the system log at once
    EXPECT_EQ(3u, backlog.keptCount());

    sink.accepting = true;
    EXPECT_TRUE(backlog.write(entry(6, 106)));
    EXPECT_EQ((Written{{102, "2 lost from 101 to 102"},
                       {103, "entry 3"},
                       {104, "entry 4"},
                       {105, "entry 5"},
                       {106, "entry 6"}}),
              sink.eventLog);
    EXPECT_EQ(0u, backlog.keptCount());
}

TEST(EventBacklog, EntriesStillKeptAtTheStopAreToldAsLost) {
    RefusingSink sink;
    EventBacklog backlog(sink, 8, noticeOf);
    backlog.write(entry(1, 201));
    backlog.write(entry(2, 205));
    backlog.close();
    EXPECT_TRUE(sink.eventLog.empty());
    ASSERT_EQ(3u, sink.systemLog.size());
    EXPECT_EQ("2 lost from 201 to 205", sink.systemLog.back());

    // A log that takes them again at the stop gets them all, and no notice.
    RefusingSink later;
    EventBacklog second(later, 8, noticeOf);
    second.write(entry(1, 301));
    later.accepting = true;
    second.close();
    EXPECT_EQ((Written{{301, "entry 1"}}), later.eventLog);
}

TEST(EventBacklog, LostEntriesNoticeNamesTheCountAndTheTimes) {
    RefusingSink sink;
    EventBacklog backlog(sink, 0, [](std::uint64_t count, std::int64_t first, std::int64_t last) {
        EventTextContext context;
        context.lostCount = count;
        context.firstLostTime = first;
        context.lastLostTime = last;
        LoggedEvent notice = entry(kEventEntriesLost, last);
        notice.text = composeEventText(JapaneseMessages(), nullptr, kEventEntriesLost, context);
        return notice;
    });
    backlog.write(entry(1, 1'700'000'000));
    backlog.close();
    ASSERT_EQ(2u, sink.systemLog.size());
    const std::string& text = sink.systemLog.back();
    EXPECT_TRUE(text.starts_with("イベントログに書き込めなかったイベントが 1 件ありました")) << text;
    EXPECT_NE(std::string::npos, text.find("2023/11/1")) << text;
}

}  // namespace
}  // namespace dwsvc
