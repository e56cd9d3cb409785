// The backlog with the platform's event log on a full, read-only or deleted file system: what
// the log could not take is written, in order and with its times, once it can.

#include "service/monitor/event_backlog.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "platform/event_log.h"
#include "service/monitor/event_writer.h"
#include "tests/service/monitor/logged_entries.h"
#include "tests/support/small_file_system.h"
#include "tests/support/temp_root.h"

namespace dwsvc {
namespace {

namespace fs = std::filesystem;
using testing::entry;
using testing::noticeOf;

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
