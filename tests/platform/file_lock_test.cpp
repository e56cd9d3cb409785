#include "platform/file_lock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_root.h"

namespace platform {
namespace {

// Takes a second lock on `path` on another thread while `held` is held, and releases `held`
// after noting "held": the order of the notes tells whether the second lock waited.
std::vector<std::string> orderOfTwoLocks(const std::filesystem::path& path, std::optional<FileLock>& held) {
    std::mutex orderLock;
    std::vector<std::string> order;
    const auto note = [&](const char* who) {
        std::lock_guard guard(orderLock);
        order.push_back(who);
    };
    std::thread second([&] {
        std::error_code error;
        auto lock = FileLock::open(path, error);
        ASSERT_TRUE(lock) << error.message();
        ASSERT_TRUE(lock->lock(error, std::chrono::seconds(10))) << error.message();
        note("second");
    });
    // Whenever the second thread gets to its lock, it cannot have it before `held` is gone.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    note("held");
    held.reset();
    second.join();
    return order;
}

const std::vector<std::string> kSecondWaited = {"held", "second"};

TEST(FileLock, TwoLocksOfOneProcessExcludeEachOther) {
    lmx::testing::TempRoot root;
    const auto path = root.path() / "drive.lock";
    std::error_code error;
    auto first = FileLock::open(path, error);
    ASSERT_TRUE(first) << error.message();
    ASSERT_TRUE(first->lock(error, std::chrono::seconds(10))) << error.message();
    EXPECT_EQ(kSecondWaited, orderOfTwoLocks(path, first));
}

TEST(FileLock, AMovedLockKeepsTheLock) {
    lmx::testing::TempRoot root;
    const auto path = root.path() / "drive.lock";
    std::error_code error;
    auto lock = FileLock::open(path, error);
    ASSERT_TRUE(lock && lock->lock(error, std::chrono::seconds(10)));
    std::optional<FileLock> moved(std::move(*lock));
    lock.reset();  // the moved-from object has nothing to release
    EXPECT_EQ(kSecondWaited, orderOfTwoLocks(path, moved));
}

TEST(FileLock, AFileThatCannotBeOpenedSaysWhy) {
    lmx::testing::TempRoot root;
    std::error_code error;
    EXPECT_FALSE(FileLock::open(root.path() / "missing" / "drive.lock", error));
    EXPECT_EQ(std::errc::no_such_file_or_directory, error);
    EXPECT_FALSE(error.message().empty());
}

TEST(FileLock, ALinkAtThePathIsRefusedAndItsTargetNotCreated) {
    lmx::testing::TempRoot root;
    const auto target = root.path() / "elsewhere";
    std::error_code linkError;
    std::filesystem::create_symlink(target, root.path() / "drive.lock", linkError);
    if (linkError) GTEST_SKIP() << "no symbolic links here: " << linkError.message();
    std::error_code error;
    EXPECT_FALSE(FileLock::open(root.path() / "drive.lock", error));
    EXPECT_TRUE(error);
    EXPECT_FALSE(std::filesystem::exists(target));
}

}  // namespace
}  // namespace platform
