#include "service/monitor/command_line.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "platform/registry.h"
#include "platform/win_error.h"
#include "service/monitor/service_identity.h"
#include "service/monitor/settings_store.h"
#include "tests/support/other_user.h"
#include "tests/support/small_file_system.h"
#include "tests/support/temp_root.h"
#include "tests/support/idle_service_workers.h"

namespace dwsvc {
namespace {

using platform::registry::Key;

class CommandLineTest : public ::testing::Test {
protected:
    // Runs dwsvc's command line in-process and returns what it printed.
    std::string run(std::vector<const char*> arguments, int expectedExitCode = 0) {
        arguments.insert(arguments.begin(), "dwsvc");
        char* text = nullptr;
        std::size_t size = 0;
        std::FILE* out = open_memstream(&text, &size);
        EXPECT_EQ(expectedExitCode, runCommandLine(static_cast<int>(arguments.size()), arguments.data(), out, workers));
        std::fclose(out);
        std::string printed(text, size);
        std::free(text);
        return printed;
    }

    std::uint32_t dword(std::string_view key, std::string_view name) {
        Key opened;
        std::uint32_t value = 0xDEADBEEF;
        if (Key::open(key, platform::registry::kKeyRead, opened) == platform::kErrorSuccess) opened.queryDword(name, value);
        return value;
    }

    lmx::testing::TempRoot root;
    lmx::testing::FakeSystemInfo system;
    lmx::testing::IdleServiceWorkers workers;
};

TEST_F(CommandLineTest, InstallRegistersTheServiceAndWritesDefaults) {
    system.program = "/opt/lmx/dwsvc";
    system.majorVersion = 10;
    platform::ScopedSystemInfo scoped(system);
    EXPECT_EQ("\nOperatingSystem MajorVersion=10\n\nService installed sucessfully.\n", run({"install"}));

    const std::string key(kServiceKeyPath);
    EXPECT_EQ(0x10u, dword(key, "Type"));
    EXPECT_EQ(2u, dword(key, "Start"));
    EXPECT_EQ(1u, dword(key, "AutoStart"));
    EXPECT_EQ(16u, dword(key, "IntervalSetting"));
    EXPECT_EQ(0u, dword(key, "NextPatrolTimeHigh"));
    EXPECT_EQ(1u, dword(key, "PatrolSetting"));
    EXPECT_EQ(0x818181u, dword(key, "PopMsgSetting"));
    EXPECT_EQ(0u, dword(key, "ServiceRunning"));
    EXPECT_EQ(0x3C00u, dword(key, "TemperatureSetting"));
    EXPECT_EQ(0u, dword(key, "DialogSetting"));
    EXPECT_EQ(0xDEADBEEFu, dword(key, "Language"));  // not written at install

    Key phy3;
    ASSERT_EQ(platform::kErrorSuccess, Key::open(key + "\\Phy_3", platform::registry::kKeyRead, phy3));
    EXPECT_EQ(14u, phy3.valueNames().size());
    EXPECT_EQ(3u, dword(key + "\\Phy_3", "PhysicalNumber"));
    EXPECT_EQ(0u, dword(key + "\\Phy_3", "SupportDrive"));
    std::string model = "x";
    EXPECT_EQ(platform::kErrorSuccess, phy3.queryString("Drive2_ModelNumber", model));
    EXPECT_EQ("", model);

    std::string text;
    Key service;
    ASSERT_EQ(platform::kErrorSuccess, Key::open(key, platform::registry::kKeyRead, service));
    service.queryString("ImagePath", text);
    EXPECT_EQ("/opt/lmx/dwsvc", text);
    service.queryString("Description", text);
    EXPECT_EQ(kServiceDescription, text);

    // A second install fails at the manager and leaves the settings alone.
    writeSetting(kIntervalSetting, 4);
    EXPECT_EQ("\nOperatingSystem MajorVersion=10\n\nCreateService failed (1073)\n\nError installing service!\n",
              run({"install"}, 1));
    EXPECT_EQ(4u, dword(key, "IntervalSetting"));
}

TEST_F(CommandLineTest, OlderOrUnknownSystemsGetAnInteractiveService) {
    system.program = "/opt/lmx/dwsvc";
    system.majorVersion = std::nullopt;
    platform::ScopedSystemInfo scoped(system);
    EXPECT_EQ("\nOperatingSystem get version failed.\n\nService installed sucessfully.\n", run({"INSTALL"}));
    EXPECT_EQ(0x110u, dword(kServiceKeyPath, "Type"));
}

TEST_F(CommandLineTest, DeleteRemovesTheWholeKeyAndAMissingServiceLeavesItAlone) {
    system.program = "/opt/lmx/dwsvc";
    platform::ScopedSystemInfo scoped(system);
    // Settings without an installed service: delete fails and keeps them.
    writeSetting(kIntervalSetting, 2);
    EXPECT_EQ("\nOpenService failed (1060)\n\nError uninstalling service!\n", run({"delete"}, 1));
    EXPECT_EQ(2u, dword(kServiceKeyPath, "IntervalSetting"));

    run({"install"});
    EXPECT_EQ("\nService uninstalled sucessfully.\n", run({"Delete"}));
    Key key;
    EXPECT_EQ(platform::kErrorFileNotFound, Key::open(kServiceKeyPath, platform::registry::kKeyRead, key));
    EXPECT_EQ(platform::kErrorFileNotFound,
              Key::open(std::string(kServiceKeyPath) + "\\Phy_0", platform::registry::kKeyRead, key));
}

TEST_F(CommandLineTest, IntervalTakesOnlyTheFourValues) {
    EXPECT_EQ("\nCheck time interval is set successfully.\n", run({"interval", "5"}));
    EXPECT_EQ(2u, dword(kServiceKeyPath, "IntervalSetting"));
    EXPECT_EQ(10'000u, lmx::intervalMilliseconds(readSetting(kIntervalSetting, 0)));
    run({"interval", "30"});
    EXPECT_EQ(8u, dword(kServiceKeyPath, "IntervalSetting"));
    run({"interval", "1"});
    EXPECT_EQ(1u, dword(kServiceKeyPath, "IntervalSetting"));

    const std::string invalid = "Error: Invalid value. Set fixed value.\n       dwsvc interval XX [1/5/10/30]";
    for (const char* value : {"2", "0", "-5", "5x", "", "99999999999"}) {
        EXPECT_EQ(invalid, run({"interval", value})) << value;
    }
    EXPECT_EQ(invalid, run({"interval"}));
    EXPECT_EQ(1u, dword(kServiceKeyPath, "IntervalSetting"));
}

TEST_F(CommandLineTest, LanguageIgnoresCaseOfSwitchAndValue) {
    EXPECT_EQ("\nLanguage Value is set successfully.\n", run({"language", "EN"}));
    EXPECT_EQ(1u, dword(kServiceKeyPath, "Language"));
    EXPECT_EQ("\nLanguage Value is set successfully.\n", run({"LANGUAGE", "JP"}));
    EXPECT_EQ(0u, dword(kServiceKeyPath, "Language"));
    const std::string invalid = "Error: Invalid value Set correct value.\n       dwsvc language XX [en/jp]";
    EXPECT_EQ(invalid, run({"language", "de"}));
    EXPECT_EQ(invalid, run({"language"}));
    EXPECT_EQ(0u, dword(kServiceKeyPath, "Language"));
}

// A user who may not change services is told so by a failing exit code, for install and delete;
// interval and language keep theirs.
TEST_F(CommandLineTest, InstallAndDeleteThatFailEndWithAFailingExitCode) {
    if (!lmx::testing::canActAsOtherUser()) GTEST_SKIP() << "acting as another user needs root";
    system.program = "/opt/lmx/dwsvc";
    platform::ScopedSystemInfo scoped(system);
    lmx::testing::openToOtherUsers(root.path());
    EXPECT_EQ(0, lmx::testing::runAsOtherUser([&] {
        const std::string installed = run({"install"}, 1);
        const std::string removed = run({"delete"}, 1);
        const bool install = installed.starts_with("\nOpenSCManager failed (") &&
                             installed.ends_with(")\n\nError installing service!\n");
        const bool remove = removed.starts_with("\nOpenSCManager failed (") &&
                            removed.ends_with(")\n\nError uninstalling service!\n");
        run({"interval", "5"});
        return install && remove && !::testing::Test::HasFailure() ? 0 : 1;
    }));
}

// Root acts in the system root: one that another user owns or may write is refused before
// anything is written there, by install, delete and the service's start.
TEST_F(CommandLineTest, ARootAnotherUserCouldChangeIsRefused) {
    system.program = "/opt/lmx/dwsvc";
    platform::ScopedSystemInfo scoped(system);
    std::filesystem::permissions(root.path(), std::filesystem::perms(0777));
    const std::string refusal = "\nThe system root " + root.path().string() + " is refused: " + root.path().string() +
                                " may be written by other users.";
    EXPECT_EQ(0u, run({"install"}, 1).find(refusal));
    EXPECT_EQ(0u, run({"delete"}, 1).find(refusal));
    const char* service[] = {"dwsvc"};
    EXPECT_EQ(1, runCommandLine(1, service, stdout, workers));
    EXPECT_TRUE(std::filesystem::is_empty(root.path()));
    if (lmx::testing::canActAsOtherUser()) {
        std::filesystem::permissions(root.path(), std::filesystem::perms(0755));
        ASSERT_EQ(0, ::chown(root.path().c_str(), lmx::testing::kOtherUserId, lmx::testing::kOtherGroupId));
        EXPECT_NE(std::string::npos, run({"install"}, 1).find(" is owned by uid 65534."));
        EXPECT_TRUE(std::filesystem::is_empty(root.path()));
    }
}

TEST_F(CommandLineTest, UnknownSwitchPrintsUsage) {
    EXPECT_EQ("\nUnknown switch usage of service!\nUsage for install: dwsvc install\n        uninstall: dwsvc delete\n"
              "         interval: dwsvc interval XX [1/5/10/30]\n         language: dwsvc language XX [en/jp]",
              run({"remove"}));
}

TEST_F(CommandLineTest, SettingsThatCannotBeWrittenSaySoInsteadOfSuccess) {
    // Installed, then the file system under the root turns read-only.
    const auto outcome = lmx::testing::runWithSmallFileSystem(root.path(), 4 * 1024 * 1024, [&]() -> int {
        const pid_t installer = ::fork();
        if (installer == 0) {
            system.program = "/opt/lmx/dwsvc";
            platform::ScopedSystemInfo scoped(system);
            ::_exit(run({"install"}).ends_with("installed sucessfully.\n") ? 0 : 1);
        }
        int status = 0;
        ::waitpid(installer, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 10;
        if (!lmx::testing::makeReadOnly(root.path())) return 11;
        if (run({"interval", "5"}) != "\nFailed to set check time interval (error 19).\n") return 12;
        if (run({"language", "en"}) != "\nFailed to set Language Value (error 19).\n") return 13;
        return dword(kServiceKeyPath, "IntervalSetting") == 16 ? 0 : 14;
    });
    if (!outcome) GTEST_SKIP() << "mounting a small file system needs root";
    EXPECT_EQ(0, *outcome);
}

}  // namespace
}  // namespace dwsvc
