// Drive files among processes and users: a link to a real disk is never written through, the
// lock file is root's alone, a lock held elsewhere times out, and two processes' changes are
// all kept.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/physical_drive.h"
#include "simulator/drive_store.h"
#include "simulator/simulated_drive.h"
#include "tests/simulator/drive_store_fixture.h"
#include "tests/simulator/simulator_requests.h"
#include "tests/support/other_user.h"

namespace simulator {
namespace {

namespace pages = lmx::pages;
using testing::SimDriveStore;

TEST_F(SimDriveStore, RealDiskLinksAreLeftAlone) {
    std::filesystem::create_directories(file.parent_path());
    std::filesystem::create_symlink("/dev/null", file);
    EXPECT_THROW(createController(file, "ZDA-JW100"), SimulatorError);
    EXPECT_THROW(removeDrive(file), SimulatorError);
    EXPECT_TRUE(std::filesystem::is_symlink(file));
    const auto entries = listDrives(root.path());
    ASSERT_EQ(1u, entries.size());
    EXPECT_FALSE(entries[0].description.has_value());
}

// The lock file is its owner's alone, also one left wider by an older version; a lock held
// elsewhere makes a request fail as a drive that does not answer, and a change fail, instead of
// waiting for ever.
TEST_F(SimDriveStore, TheLockIsRootsAloneAndAHeldLockTimesOut) {
    createController(file, "Lumavex ZDAP-RS482");
    ::chmod(lockFilePath(file).c_str(), 0666);
    auto drive = testing::openDrive(file);
    ASSERT_TRUE(testing::sendDirect(*drive, testing::identifyCommand()).ok);
    EXPECT_EQ(std::filesystem::perms(0600), std::filesystem::status(lockFilePath(file)).permissions());
    if (lmx::testing::canActAsOtherUser()) {
        lmx::testing::openToOtherUsers(file.parent_path());
        const std::string lock = lockFilePath(file).string();
        EXPECT_EQ(EACCES, lmx::testing::runAsOtherUser([&lock] {
                      return ::open(lock.c_str(), O_RDONLY | O_CLOEXEC) < 0 ? errno : 0;
                  }));
    }

    // Held through a descriptor of its own, as another process of root's would hold it; let go
    // after a while in any case, so that a wait without limit ends and shows as a success.
    const int held = ::open(lockFilePath(file).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(0, ::flock(held, LOCK_SH));
    std::mutex doneLock;
    std::condition_variable doneSignal;
    bool done = false;
    std::thread holder([&] {
        std::unique_lock guard(doneLock);
        doneSignal.wait_for(guard, std::chrono::seconds(8), [&] { return done; });
        ::close(held);
    });
    const auto answer = testing::sendDirect(*drive, testing::identifyCommand());
    bool changed = true;
    try {
        updateDrive(file, [](DriveDescription& changedDrive) { ++changedDrive.clock.setCount; });
    } catch (const DriveLockTimeout&) {
        changed = false;
    }
    {
        std::lock_guard guard(doneLock);
        done = true;
    }
    doneSignal.notify_one();
    holder.join();
    EXPECT_FALSE(answer.ok);
    EXPECT_EQ(platform::kErrorSemTimeout, answer.error);
    EXPECT_FALSE(changed);
    EXPECT_TRUE(testing::sendDirect(*drive, testing::identifyCommand()).ok);
}

// Two processes change the same drive at once, one through commands and one through the
// store; every change survives.
TEST_F(SimDriveStore, ConcurrentChangesFromTwoProcessesAreAllKept) {
    createController(file, "Lumavex ZDAP-RS482");
    constexpr int kRounds = 40;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int failures = 0;
        {
            std::uint32_t error = 0;
            auto drive = openSimulatedDrive(file, error);
            for (int i = 0; i < kRounds && drive; ++i) {
                if (!testing::sendSmart(*drive, testing::vendorControl(pages::kControlSilenceBuzzer)).ok) ++failures;
            }
            if (!drive) failures = kRounds;
        }
        _exit(failures == 0 ? 0 : 1);
    }
    for (int i = 0; i < kRounds; ++i) {
        updateDrive(file, [](DriveDescription& drive) { ++drive.clock.setCount; });
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
    const DriveDescription drive = readDrive(file);
    EXPECT_EQ(static_cast<std::uint32_t>(kRounds), drive.buzzerSilenced);
    EXPECT_EQ(static_cast<std::uint32_t>(kRounds), drive.clock.setCount);
    EXPECT_EQ(static_cast<std::size_t>(kRounds), readCommandLog(file).size());
}

}  // namespace
}  // namespace simulator
