// Storage that fails under the registry, the event log and the log files: damaged databases,
// a full disk, a read-only file system, links planted where a log is written.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/event_log.h"
#include "platform/file_append.h"
#include "platform/registry.h"
#include "platform/win_error.h"
#include "tests/support/small_file_system.h"
#include "tests/support/temp_root.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

class StorageFaultsTest : public ::testing::Test {
protected:
    lmx::testing::TempRoot root;

    std::vector<fs::path> damagedCopiesOf(const std::string& name) const {
        std::vector<fs::path> copies;
        for (const auto& entry : fs::directory_iterator(root.path())) {
            if (entry.path().filename().string().starts_with(name + ".damaged-")) copies.push_back(entry.path());
        }
        return copies;
    }
};

std::string contentOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(PlatformErrors, FullDiskReadOnlyAndMissingFoldersHaveCodesOfTheirOwn) {
    EXPECT_EQ(kErrorDiskFull, errorFromErrno(ENOSPC));
    EXPECT_EQ(kErrorWriteProtect, errorFromErrno(EROFS));
    EXPECT_EQ(kErrorAccessDenied, errorFromErrno(EACCES));
    EXPECT_EQ(kErrorPathNotFound, errorFromErrnoAt(ENOENT, "/nonexistent-folder/file"));
    EXPECT_EQ(kErrorFileNotFound, errorFromErrnoAt(ENOENT, "/tmp/nonexistent-file"));
}

TEST_F(StorageFaultsTest, EventLogFoundDamagedIsMovedAsideAndANewOneTakesTheEvents) {
    const std::string garbage(5000, 'G');
    std::ofstream(root.path() / "eventlog.db", std::ios::binary) << garbage;
    auto source = eventlog::EventSource::registerSource("LMXDuowatch");
    ASSERT_TRUE(source.has_value());
    EXPECT_TRUE(source->report(eventlog::kInformationType, 0, 7, {"LMXDuowatch", "after the damage"}));
    const auto events = eventlog::readEvents();
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(7u, events[0].eventId);
    // The damaged file is kept, untouched, under a name that says what it is.
    const auto copies = damagedCopiesOf("eventlog.db");
    ASSERT_EQ(1u, copies.size());
    EXPECT_EQ(garbage, contentOf(copies[0]));
}

TEST_F(StorageFaultsTest, TruncatedRegistryIsMovedAsideAndStartedAfresh) {
    const auto file = root.path() / "registry.db";
    // A registry of many pages, written by another process, then cut short.
    const auto command = "sqlite3 '" + file.string() +
                         "' \"CREATE TABLE filler(x); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                         "WHERE i < 400) INSERT INTO filler SELECT randomblob(500) FROM n;\"";
    int exitCode = -1;
    lmx::testing::captureOutput(command, &exitCode);
    ASSERT_EQ(0, exitCode);
    fs::resize_file(file, fs::file_size(file) / 2);

    registry::Key key;
    ASSERT_EQ(kErrorSuccess, registry::Key::create("SYSTEM\\Fresh", registry::kKeyAllAccess, key));
    ASSERT_EQ(kErrorSuccess, key.setDword("Value", 5));
    std::uint32_t value = 0;
    EXPECT_EQ(kErrorSuccess, key.queryDword("Value", value));
    EXPECT_EQ(5u, value);
    EXPECT_EQ(1u, damagedCopiesOf("registry.db").size());
}

TEST_F(StorageFaultsTest, DamagedRegistryThatCannotBeMovedAsideIsReportedAsSuchAndLeftInPlace) {
    const auto file = root.path() / "registry.db";
    const std::string garbage(5000, 'G');
    const auto outcome = lmx::testing::runWithSmallFileSystem(root.path(), 512 * 1024, [&]() -> int {
        std::ofstream(file, std::ios::binary) << garbage;
        // A file mounted over itself cannot be renamed (EBUSY), as on a failing disk.
        if (::mount(file.c_str(), file.c_str(), nullptr, MS_BIND, nullptr) != 0) return 10;
        std::FILE* messages = std::tmpfile();
        if (!messages) return 11;
        ::dup2(::fileno(messages), STDERR_FILENO);
        registry::Key key;
        if (registry::Key::create("SYSTEM\\Fresh", registry::kKeyAllAccess, key) == kErrorSuccess) return 12;
        if (!damagedCopiesOf("registry.db").empty() || contentOf(file) != garbage) return 13;
        std::rewind(messages);
        char said[512] = {};
        [[maybe_unused]] const auto read = std::fread(said, 1, sizeof said - 1, messages);
        if (!std::strstr(said, "could not be moved aside") || std::strstr(said, "was moved aside")) return 14;
        return 0;
    });
    if (!outcome) GTEST_SKIP() << "mounting a small file system needs root";
    EXPECT_EQ(0, *outcome);
}

// In a child: creates the key in a process of its own, which holds no file open afterwards.
bool createKeyInAnotherProcess(const char* path) {
    const pid_t writer = ::fork();
    if (writer == 0) {
        registry::Key key;
        ::_exit(registry::Key::create(path, registry::kKeyAllAccess, key) == kErrorSuccess ? 0 : 1);
    }
    int status = 0;
    ::waitpid(writer, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(StorageFaultsTest, FullDiskIsReportedAsSuchAndWritesSucceedOnceThereIsRoom) {
    const auto outcome = lmx::testing::runWithSmallFileSystem(root.path(), 512 * 1024, [&]() -> int {
        if (!createKeyInAnotherProcess("SYSTEM\\Full")) return 10;
        const auto filler = lmx::testing::fillUp(root.path());
        registry::Key key;
        if (registry::Key::open("SYSTEM\\Full", registry::kKeyAllAccess, key) != kErrorSuccess) return 11;
        // A value that needs pages the full disk cannot give.
        const std::vector<std::uint8_t> big(64 * 1024, 0xAB);
        if (key.set("Big", registry::ValueType::Binary, big) != kErrorDiskFull) return 12;
        fs::remove(filler);
        return key.set("Big", registry::ValueType::Binary, big) == kErrorSuccess ? 0 : 13;
    });
    if (!outcome) GTEST_SKIP() << "mounting a small file system needs root";
    EXPECT_EQ(0, *outcome);
}

TEST_F(StorageFaultsTest, ReadOnlyFileSystemIsReportedAsWriteProtected) {
    const auto outcome = lmx::testing::runWithSmallFileSystem(root.path(), 512 * 1024, [&]() -> int {
        if (!createKeyInAnotherProcess("SYSTEM\\Kept")) return 10;
        if (!lmx::testing::makeReadOnly(root.path())) return 11;
        registry::Key key;
        if (registry::Key::open("SYSTEM\\Kept", registry::kKeyRead, key) != kErrorSuccess) return 12;
        return registry::Key::create("SYSTEM\\New", registry::kKeyAllAccess, key) == kErrorWriteProtect ? 0 : 13;
    });
    if (!outcome) GTEST_SKIP() << "mounting a small file system needs root";
    EXPECT_EQ(0, *outcome);
}

TEST_F(StorageFaultsTest, LogAppendsNeverFollowALinkOrWriteAnotherNameOfAFile) {
    const auto log = root.path() / "temp_log_01.csv";
    ASSERT_TRUE(appendToFile(log, "a,1\n"));
    ASSERT_TRUE(appendToFile(log, "b,2\n"));
    EXPECT_EQ("a,1\nb,2\n", contentOf(log));

    const auto precious = root.path() / "precious";
    std::ofstream(precious) << "keep";
    const auto planted = root.path() / "temp_log_02.csv";
    fs::create_symlink(precious, planted);
    EXPECT_FALSE(appendToFile(planted, "x\n"));
    EXPECT_EQ(kErrorAccessDenied, lastError());
    const auto linked = root.path() / "temp_log_03.csv";
    fs::create_hard_link(precious, linked);
    EXPECT_FALSE(appendToFile(linked, "x\n"));
    EXPECT_EQ("keep", contentOf(precious));

    EXPECT_FALSE(appendToFile(root.path() / "missing" / "temp_log_04.csv", "x\n"));
    EXPECT_EQ(kErrorPathNotFound, lastError());
}

}  // namespace
}  // namespace platform
