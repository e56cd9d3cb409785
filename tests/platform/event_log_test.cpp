#include "platform/event_log.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "platform/linux/system_log.h"
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

std::uint64_t bytesOnDisk(const std::filesystem::path& root) {
    std::uint64_t bytes = 0;
    for (const char* name : {"eventlog.db", "eventlog.db-wal"}) {
        std::error_code error;
        const auto size = std::filesystem::file_size(root / name, error);
        if (!error) bytes += size;
    }
    return bytes;
}

TEST(EventLog, FloodKeepsTheLogWithinItsMaximumSizeAndDropsTheOldestEntries) {
    lmx::testing::TempRoot root;
    constexpr std::uint64_t kLimit = kLeastMaximumSize;
    setMaximumSize(kLimit);
    auto source = EventSource::registerSource("LMXDuowatch");
    ASSERT_TRUE(source.has_value());
    const std::string text(400, 't');
    std::uint64_t largest = 0;
    for (std::uint32_t id = 1; id <= 400; ++id) {
        ASSERT_TRUE(source->write(1'700'000'000 + id, kWarningType, 0, id, {"LMXDuowatch", text}));
        largest = std::max(largest, bytesOnDisk(root.path()));
    }
    setMaximumSize(kDefaultMaximumSize);
    EXPECT_LE(largest, kLimit);
    const auto records = readEvents();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(400u, records.back().eventId);
    EXPECT_GT(records.front().eventId, 1u);
    // What is left is the newest entries, none missing between them.
    EXPECT_EQ(records.size(), 401u - records.front().eventId);
}

// A datagram socket standing in for syslog's.
class SyslogListener {
public:
    explicit SyslogListener(const std::filesystem::path& path) : fd_(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        bound_ = ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~SyslogListener() { ::close(fd_); }
    bool bound() const { return bound_; }
    std::string receive() const {
        char buffer[4096];
        const ssize_t got = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        return got > 0 ? std::string(buffer, static_cast<std::size_t>(got)) : std::string();
    }

private:
    int fd_;
    bool bound_ = false;
};

TEST(SystemLog, WithoutAJournalEntriesGoToSyslog) {
    lmx::testing::TempRoot root;
    SyslogListener syslog(root.path() / "log");
    ASSERT_TRUE(syslog.bound());
    system_log::Entry entry;
    entry.journalFields = {"MESSAGE=[0x80020190] status\nerror"};
    entry.priority = 4;
    entry.identifier = "LMXDuowatch";
    entry.text = "[0x80020190] status\nerror";
    const system_log::Sockets sockets{root.path() / "no-journal", root.path() / "log"};
    ASSERT_TRUE(system_log::send(entry, sockets));
    const std::string datagram = syslog.receive();
    // Facility daemon (3), warning (4).
    EXPECT_TRUE(datagram.starts_with("<28>")) << datagram;
    EXPECT_TRUE(datagram.ends_with(" LMXDuowatch[" + std::to_string(::getpid()) + "]: [0x80020190] status\nerror"))
        << datagram;
    // With neither, the caller learns that the entry reached no system log.
    EXPECT_FALSE(system_log::send(entry, {root.path() / "no-journal", root.path() / "no-syslog"}));
}

}  // namespace
}  // namespace platform::eventlog
