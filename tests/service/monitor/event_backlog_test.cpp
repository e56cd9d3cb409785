// Entries the event log cannot take are kept and written later in order with their times, and
// entries that are lost from it are told by one entry: with a log that refuses, and with the
// platform's log on a full, read-only or deleted file system.

#include "service/monitor/event_backlog.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "platform/event_log.h"
#include "service/monitor/event_ids.h"
#include "service/monitor/event_writer.h"
#include "tests/support/small_file_system.h"
#include "tests/support/temp_root.h"

namespace dwsvc {
namespace {

namespace fs = std::filesystem;

LoggedEvent entry(std::uint32_t id, std::int64_t time) {
    LoggedEvent event;
    event.eventId = id;
    event.time = time;
    event.type = platform::eventlog::kInformationType;
    event.text = "entry " + std::to_string(id);
    return event;
}

LoggedEvent noticeOf(std::uint64_t count, std::int64_t first, std::int64_t last) {
    LoggedEvent notice = entry(kEventEntriesLost, last);
    notice.text = std::to_string(count) + " lost from " + std::to_string(first) + " to " + std::to_string(last);
    return notice;
}

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

// With the platform's event log on a small file system of its own (needs root).
class PlatformBacklogTest : public ::testing::Test {
protected:
    lmx::testing::TempRoot root;

    static std::vector<std::pair<std::uint32_t, std::int64_t>> logged() {
        std::vector<std::pair<std::uint32_t, std::int64_t>> entries;
        for (const auto& record : platform::eventlog::readEvents()) entries.emplace_back(record.eventId, record.timeGenerated);
        return entries;
    }

    void run(const std::function<int(EventBacklog&)>& body) {
        const auto outcome = lmx::testing::runWithSmallFileSystem(root.path(), 512 * 1024, [&] {
            EventBacklog backlog(platformEventSink(), kKeptEventCapacity, noticeOf);
            return body(backlog);
        });
        if (!outcome) GTEST_SKIP() << "mounting a small file system needs root";
        EXPECT_EQ(0, *outcome);
    }
};

using Logged = std::vector<std::pair<std::uint32_t, std::int64_t>>;

// Writes the entry from a process of its own, which holds no file open afterwards: a file
// system with a file open for writing cannot be made read-only.
bool writeInAnotherProcess(const LoggedEvent& event) {
    const pid_t writer = ::fork();
    if (writer == 0) {
        EventBacklog backlog(platformEventSink(), 1, noticeOf);
        ::_exit(backlog.write(event) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(writer, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(PlatformBacklogTest, EntriesOfAFullDiskAreWrittenWhenThereIsRoomAgain) {
    run([&](EventBacklog& backlog) {
        if (!backlog.write(entry(1, 1001))) return 10;
        const auto filler = lmx::testing::fillUp(root.path());
        if (backlog.write(entry(2, 1002)) || backlog.write(entry(3, 1003))) return 11;
        if (logged() != Logged{{1, 1001}}) return 12;
        fs::remove(filler);
        if (!backlog.write(entry(4, 1004))) return 13;
        return logged() == Logged{{1, 1001}, {2, 1002}, {3, 1003}, {4, 1004}} ? 0 : 14;
    });
}

TEST_F(PlatformBacklogTest, EntriesOfAReadOnlyFileSystemAreWrittenWhenItIsWritableAgain) {
    run([&](EventBacklog& backlog) {
        if (!writeInAnotherProcess(entry(1, 1001))) return 10;
        if (!lmx::testing::makeReadOnly(root.path())) return 11;
        if (backlog.write(entry(2, 1002)) || backlog.write(entry(3, 1003))) return 12;
        if (!lmx::testing::makeWritable(root.path())) return 13;
        if (!backlog.flush()) return 14;
        return logged() == Logged{{1, 1001}, {2, 1002}, {3, 1003}} ? 0 : 15;
    });
}

TEST_F(PlatformBacklogTest, EntriesOfALogDeletedThenReadOnlyGoToTheNewLog) {
    run([&](EventBacklog& backlog) {
        if (!writeInAnotherProcess(entry(1, 1001))) return 10;
        for (const char* name : {"eventlog.db", "eventlog.db-wal", "eventlog.db-shm"}) fs::remove(root.path() / name);
        if (!lmx::testing::makeReadOnly(root.path())) return 11;
        if (backlog.write(entry(2, 1002))) return 12;
        if (!lmx::testing::makeWritable(root.path())) return 13;
        if (!backlog.write(entry(3, 1003))) return 14;
        return logged() == Logged{{2, 1002}, {3, 1003}} ? 0 : 15;
    });
}

}  // namespace
}  // namespace dwsvc
