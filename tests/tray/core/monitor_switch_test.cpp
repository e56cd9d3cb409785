// Starting and stopping monitoring through a stub monswitch in a temporary program folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/temp_root.h"
#include "tray/core/monitor_switch.h"
#include "tray/core/string_source.h"
#include "tray/core/tray_icon_state.h"

namespace lmx::tray {
namespace {

class MonitorSwitchTest : public ::testing::Test {
protected:
    // A monswitch that records its arguments and exits with `code`: a shell script, and a batch
    // file for a command interpreter that runs those instead.
    void stubExitingWith(int code) {
        const auto args = (folder() / "args").string();
        const auto script = folder() / "monswitch";
        std::ofstream(script) << "#!/bin/sh\necho \"$@\" > \"" << args << "\"\nexit " << code << "\n";
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        std::ofstream(folder() / "monswitch.cmd") << "@echo %*>\"" << args << "\"\r\n@exit /b " << code << "\r\n";
    }
    std::string recordedArguments() {
        std::string line;
        std::getline(std::ifstream(folder() / "args"), line);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        return line;
    }
    std::filesystem::path folder() const { return root.path(); }

    lmx::testing::TempRoot root;
};

TEST_F(MonitorSwitchTest, StartMessages) {
    EXPECT_EQ(strings::kMonitoringAlreadyStarted, startMonitoring(true, folder()).messageId);

    stubExitingWith(0);
    auto outcome = startMonitoring(false, folder());
    EXPECT_EQ(strings::kMonitoringStarted, outcome.messageId);
    EXPECT_FALSE(outcome.errorIcon);
    EXPECT_EQ("start LMXDuowatch", recordedArguments());

    stubExitingWith(1);
    outcome = startMonitoring(false, folder());
    EXPECT_EQ(strings::kMonitoringStartFailed, outcome.messageId);
    EXPECT_TRUE(outcome.errorIcon);
}

TEST_F(MonitorSwitchTest, StopMessagesAndIcons) {
    auto outcome = stopMonitoring(false, folder());
    EXPECT_EQ(strings::kMonitoringAlreadyStopped, outcome.messageId);
    EXPECT_EQ(kIconServiceStopped, outcome.trayIcon);

    stubExitingWith(0);
    outcome = stopMonitoring(true, folder());
    EXPECT_EQ(strings::kMonitoringStopped, outcome.messageId);
    EXPECT_EQ(kIconServiceStopped, outcome.trayIcon);
    EXPECT_EQ("stop LMXDuowatch", recordedArguments());
    EXPECT_TRUE(outcome.closeAllPopups);

    stubExitingWith(2);
    outcome = stopMonitoring(true, folder());
    EXPECT_EQ(strings::kMonitoringAlreadyStopped, outcome.messageId);
    EXPECT_FALSE(outcome.errorIcon);
    EXPECT_EQ(kIconServiceStopped, outcome.trayIcon);

    stubExitingWith(3);
    outcome = stopMonitoring(true, folder());
    EXPECT_EQ(strings::kMonitoringStopFailed, outcome.messageId);
    EXPECT_TRUE(outcome.errorIcon);
    EXPECT_EQ(kIconStopFailed, outcome.trayIcon);
    EXPECT_TRUE(outcome.closeAllPopups);
}

TEST_F(MonitorSwitchTest, MissingProgramIsAFailure) {
    EXPECT_EQ(strings::kMonitoringStartFailed, startMonitoring(false, folder() / "nowhere").messageId);
    EXPECT_EQ(strings::kMonitoringStopFailed, stopMonitoring(true, folder()).messageId);
}

}  // namespace
}  // namespace lmx::tray
