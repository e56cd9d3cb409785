// Where a user's windows and named mutexes live, with another local user trying to make or hold
// that place first: neither root's one-copy guards nor another user's may fail or go missing.

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "platform/named_mutex.h"
#include "platform/win_error.h"
#include "platform/window_directory.h"
#include "tests/support/other_user.h"
#include "tests/support/temp_root.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kThirdUserId = 1001;  // a user beside the other user, no account needed

// Runs `body` as `user` in a child and returns its exit code (-1 when it did not end normally).
int runAs(uid_t user, const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(user, user, user) != 0 || ::setresuid(user, user, user) != 0) ::_exit(120);
        ::_exit(body());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

class UserFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!lmx::testing::canActAsOtherUser()) GTEST_SKIP() << "taking another user's identity needs root";
        lmx::testing::openToOtherUsers(root.path());
        ASSERT_TRUE(windows::prepareSessionFolders());
    }
    // Tries to make the folders of root and of the other user in the sessions folder.
    int squat(uid_t attacker) {
        return runAs(attacker, [&] {
            std::error_code error;
            int made = 0;
            for (const auto* name : {"0", "65534", "1001"}) {
                if (fs::create_directory(root.path() / "sessions" / name, error)) ++made;
            }
            return made;
        });
    }
    lmx::testing::TempRoot root;
};

TEST_F(UserFolderTest, NoUserCanMakeRootsFolderAndRootsGuardHolds) {
    EXPECT_EQ(0, squat(lmx::testing::kOtherUserId));
    bool alreadyExists = true;
    const auto guard = NamedMutex::create("LMXDuo_fwupTool", alreadyExists);
    ASSERT_NE(nullptr, guard);
    EXPECT_FALSE(alreadyExists);
    EXPECT_EQ(nullptr, NamedMutex::create("LMXDuo_fwupTool", alreadyExists));
    EXPECT_TRUE(alreadyExists);
}

TEST_F(UserFolderTest, AUsersGuardLivesInTheirRuntimeFolderOutOfOtherUsersReach) {
    EXPECT_EQ(0, squat(kThirdUserId));
    const fs::path runtime = root.path() / "run-other";
    fs::create_directory(runtime);
    ASSERT_EQ(0, ::chown(runtime.c_str(), lmx::testing::kOtherUserId, lmx::testing::kOtherGroupId));
    fs::permissions(runtime, fs::perms::owner_all);

    EXPECT_EQ(0, lmx::testing::runAsOtherUser([&] {
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        bool alreadyExists = true;
        const auto guard = NamedMutex::create("LMXDuowatchControl-SingleInstance", alreadyExists);
        if (!guard || alreadyExists) return 1;
        if (NamedMutex::create("LMXDuowatchControl-SingleInstance", alreadyExists) || !alreadyExists) return 2;
        return 0;
    }));
    // Without a runtime folder, and with none made for it by root, the user has no place for a
    // guard: it is refused, never taken somewhere another user could reach.
    EXPECT_EQ(0, lmx::testing::runAsOtherUser([&] {
        ::unsetenv("XDG_RUNTIME_DIR");
        if (fs::exists("/run/user/" + std::to_string(lmx::testing::kOtherUserId))) return 0;
        bool alreadyExists = true;
        if (NamedMutex::create("LMXDuowatchControl-SingleInstance", alreadyExists)) return 3;
        return !alreadyExists && lastError() == kErrorAccessDenied ? 0 : 4;
    }));
    EXPECT_FALSE(fs::exists(root.path() / "sessions" / std::to_string(lmx::testing::kOtherUserId)));

    // A folder root made for the user serves as theirs.
    const fs::path made = root.path() / "sessions" / std::to_string(lmx::testing::kOtherUserId);
    fs::create_directory(made);
    ASSERT_EQ(0, ::chown(made.c_str(), lmx::testing::kOtherUserId, lmx::testing::kOtherGroupId));
    fs::permissions(made, fs::perms::owner_all);
    EXPECT_EQ(0, lmx::testing::runAsOtherUser([&] {
        ::unsetenv("XDG_RUNTIME_DIR");
        bool alreadyExists = true;
        return NamedMutex::create("LMXDuowatchControl-SingleInstance", alreadyExists) ? 0 : 5;
    }));
}

}  // namespace
}  // namespace platform
