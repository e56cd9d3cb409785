// What another local user can do to the files and folders of the system root: open them, hold
// locks on them, plant folders and links. The service's user (root here) must go on writing,
// logging and starting, and must never act through what the other user planted.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/event_log.h"
#include "platform/linux/service_status_file.h"
#include "platform/named_mutex.h"
#include "platform/named_pipe.h"
#include "platform/registry.h"
#include "platform/win_error.h"
#include "platform/window_directory.h"
#include "tests/support/other_user.h"
#include "tests/support/temp_root.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using lmx::testing::OtherUserProcess;

class HostileUserTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!lmx::testing::canActAsOtherUser()) GTEST_SKIP() << "taking another user's identity needs root";
        lmx::testing::openToOtherUsers(root.path());
    }
    lmx::testing::TempRoot root;
};

// In the other user's process: opens the file read-only and takes a read lock on a byte range
// (length 0: the whole file). Reports "refused" when the file cannot be opened at all.
bool holdReadLock(const fs::path& file, off_t start, off_t length, const OtherUserProcess::Report& report) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        report("refused");
        return false;
    }
    flock lock{};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    report(::fcntl(fd, F_SETLK, &lock) == 0 ? "locked" : "not locked");
    return true;  // keeps the descriptor, and the lock, until the test ends
}

pipes::PipeServer::Options requestsOf640() {
    pipes::PipeServer::Options options;
    options.requestSize = 640;
    return options;
}

int exitCodeOfChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(HostileUserTest, RegistryWritesGoOnWhileAnotherUserTriesToLockItAndUsersReadThePublishedCopy) {
    registry::Key key;
    ASSERT_EQ(kErrorSuccess, registry::Key::create("SYSTEM\\Watched", registry::kKeyAllAccess, key));
    ASSERT_EQ(kErrorSuccess, key.setDword("Value", 1));

    // Byte 120 of the shared-memory file is the write lock of a WAL database.
    OtherUserProcess onShm([&](const auto& report) { return holdReadLock(root.path() / "registry.db-shm", 120, 1, report); });
    OtherUserProcess onFile([&](const auto& report) { return holdReadLock(root.path() / "registry.db", 0, 0, report); });
    EXPECT_EQ("refused", onShm.waitForReport());
    EXPECT_EQ("refused", onFile.waitForReport());
    EXPECT_EQ(kErrorSuccess, key.setDword("Value", 2));

    // The other user reads what was written last, and may not write.
    EXPECT_EQ(0, lmx::testing::runAsOtherUser([] {
        registry::Key reader;
        std::uint32_t value = 0;
        if (registry::Key::open("SYSTEM\\Watched", registry::kKeyRead, reader) != kErrorSuccess) return 1;
        if (reader.queryDword("Value", value) != kErrorSuccess || value != 2) return 2;
        if (reader.setDword("Value", 3) != kErrorAccessDenied) return 3;
        registry::Key writer;
        if (registry::Key::create("SYSTEM\\Planted", registry::kKeyAllAccess, writer) != kErrorAccessDenied) return 4;
        return 0;
    }));
    // A reader holding the published copy open does not keep the next write from being published.
    OtherUserProcess onCopy([&](const auto& report) { return holdReadLock(root.path() / "published" / "registry.db", 0, 0, report); });
    EXPECT_EQ("locked", onCopy.waitForReport());
    ASSERT_EQ(kErrorSuccess, key.setDword("Value", 4));
    EXPECT_EQ(0, lmx::testing::runAsOtherUser([] {
        registry::Key reader;
        std::uint32_t value = 0;
        return registry::Key::open("SYSTEM\\Watched", registry::kKeyRead, reader) == kErrorSuccess &&
                       reader.queryDword("Value", value) == kErrorSuccess && value == 4
                   ? 0
                   : 1;
    }));
}

TEST_F(HostileUserTest, EventsAreWrittenWhileAnotherUserTriesToLockTheLog) {
    auto source = eventlog::EventSource::registerSource("LMXDuowatch");
    ASSERT_TRUE(source.has_value());
    ASSERT_TRUE(source->report(eventlog::kInformationType, 0, 1, {"LMXDuowatch", "first"}));
    OtherUserProcess onShm([&](const auto& report) { return holdReadLock(root.path() / "eventlog.db-shm", 120, 1, report); });
    EXPECT_EQ("refused", onShm.waitForReport());
    EXPECT_TRUE(source->report(eventlog::kInformationType, 0, 2, {"LMXDuowatch", "second"}));
    EXPECT_EQ(2u, eventlog::readEvents().size());
}

TEST_F(HostileUserTest, LocksOfTheServiceAndItsPipeAreOutOfOtherUsersReach) {
    // A service process that ran once left its lock file behind.
    ASSERT_EQ(0, exitCodeOfChild([] { return service_files::acquireInstanceLock("LMXProbe") ? 0 : 1; }));
    auto server = pipes::PipeServer::create("\\\\.\\pipe\\LMXProbe", requestsOf640());
    ASSERT_NE(nullptr, server);

    OtherUserProcess onService([&](const auto& report) { return holdReadLock(root.path() / "services" / "LMXProbe.lock", 0, 0, report); });
    OtherUserProcess onPipe([&](const auto& report) { return holdReadLock(root.path() / "pipes" / ".LMXProbe.lock", 0, 0, report); });
    EXPECT_EQ("refused", onService.waitForReport());
    EXPECT_EQ("refused", onPipe.waitForReport());
    server.reset();

    // The service starts, and the other user still sees that it runs.
    int started[2];
    ASSERT_EQ(0, ::pipe(started));
    const pid_t service = ::fork();
    if (service == 0) {
        ServiceStatus status;
        status.currentState = kServiceRunning;
        status.processId = static_cast<std::uint32_t>(::getpid());
        const char outcome = service_files::acquireInstanceLock("LMXProbe") && service_files::writeStatus("LMXProbe", status) ? 'y' : 'n';
        [[maybe_unused]] const auto written = ::write(started[1], &outcome, 1);
        ::pause();
        ::_exit(0);
    }
    ::close(started[1]);
    char outcome = 0;
    ASSERT_EQ(1, ::read(started[0], &outcome, 1));
    ::close(started[0]);
    EXPECT_EQ('y', outcome);
    EXPECT_EQ(0, lmx::testing::runAsOtherUser([service] {
        const auto running = service_files::runningProcess("LMXProbe");
        return running && *running == service ? 0 : 1;
    }));
    EXPECT_NE(nullptr, pipes::PipeServer::create("\\\\.\\pipe\\LMXProbe", requestsOf640()));
    ::kill(service, SIGKILL);
    ::waitpid(service, nullptr, 0);
    EXPECT_EQ(0, lmx::testing::runAsOtherUser([] { return service_files::runningProcess("LMXProbe") ? 1 : 0; }));
}

TEST_F(HostileUserTest, RootNeverActsInASessionFolderAnotherUserPlanted) {
    ASSERT_TRUE(windows::prepareSessionFolders());
    // Files of root's that look like the traces of a window whose owner is gone.
    const fs::path victim = root.path() / "victim";
    fs::create_directories(victim);
    std::ofstream(victim / "w1-1.sock") << "keep";
    std::ofstream(victim / "w1-1.title") << "keep";

    // The sessions folder as an older layout left it, open to all and without root's folder yet:
    // the other user makes root's session folder theirs and its windows folder a link.
    fs::remove_all(root.path() / "sessions" / "0");
    fs::permissions(root.path() / "sessions", fs::perms::all | fs::perms::sticky_bit);
    EXPECT_EQ(0, lmx::testing::runAsOtherUser([&] {
        const fs::path own = root.path() / "sessions" / "0";
        std::error_code error;
        fs::create_directory(own, error);
        fs::create_directory_symlink(victim, own / "windows", error);
        return error ? 1 : 0;
    }));

    EXPECT_FALSE(windows::findWindow("LMX Duowatch Service Tray Control").has_value());
    EXPECT_TRUE(windows::enumWindows().empty());
    EXPECT_TRUE(fs::exists(victim / "w1-1.sock"));
    EXPECT_TRUE(fs::exists(victim / "w1-1.title"));
    // Root sets the planted folder aside without entering it and goes on in a folder of its own.
    bool alreadyExists = true;
    EXPECT_NE(nullptr, NamedMutex::create("LMXDuo_fwupTool", alreadyExists));
    EXPECT_NE(nullptr, windows::Window::create("LMX Duowatch Service Tray Control", [](auto, auto, auto) { return 0; }));
    EXPECT_TRUE(fs::exists(victim / "w1-1.sock"));
    EXPECT_EQ((std::vector<fs::path>{"w1-1.sock", "w1-1.title"}), [&] {
        std::vector<fs::path> names;
        for (const auto& entry : fs::directory_iterator(victim)) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }());
    struct stat facts{};
    ASSERT_EQ(0, ::lstat((root.path() / "sessions" / "0").c_str(), &facts));
    EXPECT_EQ(0u, facts.st_uid);
    ASSERT_EQ(0, ::stat((root.path() / "sessions").c_str(), &facts));
    EXPECT_EQ(0755u, facts.st_mode & 07777);
}

TEST_F(HostileUserTest, EachUsersSessionFolderIsTheirsAlone) {
    ASSERT_TRUE(windows::prepareSessionFolders());
    // The other user's runtime folder, as the log-on manager makes it.
    const fs::path runtime = root.path() / "run-other";
    fs::create_directory(runtime);
    ASSERT_EQ(0, ::chown(runtime.c_str(), lmx::testing::kOtherUserId, lmx::testing::kOtherGroupId));
    fs::permissions(runtime, fs::perms::owner_all);
    EXPECT_EQ(0, lmx::testing::runAsOtherUser([&] {
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        // The other user's own window works, in a folder closed to everyone else.
        auto window = windows::Window::create("Mine", [](auto, auto, auto) { return 7; });
        if (!window) return 1;
        const auto found = windows::findWindow("Mine");
        return found && windows::sendMessage(*found, 0x400) == 7 ? 0 : 2;
    }));
    std::vector<fs::path> made;
    for (const auto& entry : fs::directory_iterator(runtime)) made.push_back(entry.path());
    ASSERT_EQ(1u, made.size());
    struct stat facts{};
    ASSERT_EQ(0, ::lstat(made[0].c_str(), &facts));
    EXPECT_EQ(lmx::testing::kOtherUserId, facts.st_uid);
    EXPECT_EQ(0700u, facts.st_mode & 07777);
    EXPECT_FALSE(fs::exists(root.path() / "sessions" / std::to_string(lmx::testing::kOtherUserId)));
    ASSERT_EQ(0, ::stat((root.path() / "sessions").c_str(), &facts));
    EXPECT_EQ(0u, facts.st_uid);
    EXPECT_EQ(0755u, facts.st_mode & 07777);
}

}  // namespace
}  // namespace platform
