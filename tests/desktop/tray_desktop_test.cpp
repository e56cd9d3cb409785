// The tray application as a user meets it: the real LMXDuowatch, dwsvc, monswitch and
// traysignal processes on an X server of the test's own with a notification area, the icon
// and its menu clicked, the windows looked at.

#include <gtest/gtest.h>

#include <chrono>

#include "common/pipe_request.h"
#include "platform/named_pipe.h"
#include "service/monitor/settings_store.h"
#include "simulator/drive_store.h"
#include "tests/desktop/desktop_session.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_root.h"
#include "tests/tools/program_run.h"

namespace {

using namespace std::chrono_literals;
using lmx::testing::eventually;
namespace fs = std::filesystem;
using lmx::testing::BackgroundProgram;

constexpr const char* kInformationWindow = "RAID情報";
constexpr const char* kControlBox = "LMX Duowatch Service Control";
constexpr const char* kAlert = "Duowatch";


class TrayDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ("", desktop.failure());
        // The programs run from a folder of their own, as installed: the tray finds monswitch
        // beside itself, and the service its language library and CSV folder.
        fs::create_directories(programs);
        for (const char* file : {"LMXDuowatch", "dwsvc", "monswitch", "traysignal", "TXTRES_EN.so"}) {
            fs::copy_file(lmx::testing::programsFolder() / file, programs / file);
        }
    }

    // A test that failed half-way leaves no service behind.
    void TearDown() override {
        if (fs::exists(programs / "dwsvc")) lmx::testing::runProgram(programs / "monswitch", "monswitch", {"stop", "LMXDuowatch"});
    }

    // Starts the tray application and waits for its icon in the notification area.
    std::unique_ptr<BackgroundProgram> startTray() {
        auto tray = BackgroundProgram::start(programs / "LMXDuowatch");
        if (tray) item = desktop.waitForTrayItem(30s);
        return tray;
    }

    // Ends the tray application from its menu and expects it to end normally.
    void exitFromMenu(BackgroundProgram& tray) {
        const auto menu = desktop.trayMenu(*item);
        ASSERT_TRUE(menu.contains("終了"));
        ASSERT_TRUE(desktop.clickTrayMenuItem(*item, menu.at("終了")));
        EXPECT_EQ(std::optional<int>(0), tray.waitForExit(30s));
    }

    lmx::testing::TempRoot root;
    lmx::testing::DesktopSession desktop;
    const fs::path programs = root.path() / "programs";
    std::optional<std::string> item;
};

TEST_F(TrayDesktopTest, SecondInstanceHandsOverToTheFirstWhichShowsItsWindow) {
    auto first = startTray();
    ASSERT_TRUE(first);
    ASSERT_TRUE(item) << "the tray icon never reached the notification area";
    EXPECT_FALSE(desktop.windowShown(kInformationWindow));

    const auto second = lmx::testing::runProgram(programs / "LMXDuowatch", "LMXDuowatch");
    EXPECT_EQ(0, second.exitCode);
    EXPECT_TRUE(eventually([&] { return desktop.windowShown(kInformationWindow); }));
    EXPECT_TRUE(first->running());
    EXPECT_FALSE(desktop.waitForTrayItem(1s)) << "the second instance put an icon of its own";

    exitFromMenu(*first);
}

TEST_F(TrayDesktopTest, WithoutAPlaceForItsSingleInstanceGuardTheTrayEndsWithAFailure) {
    // The sessions folder is a link: the user has no folder of their own for the guard.
    fs::create_directory(root.path() / "elsewhere");
    fs::create_directory_symlink(root.path() / "elsewhere", root.path() / "sessions");
    const auto run = lmx::testing::runProgram(programs / "LMXDuowatch", "LMXDuowatch");
    EXPECT_EQ(1, run.exitCode);
    EXPECT_FALSE(desktop.waitForTrayItem(1s)) << "the tray ran without its guard";
    EXPECT_TRUE(fs::is_empty(root.path() / "elsewhere"));
}

TEST_F(TrayDesktopTest, StartsTheServiceFromItsMenuRaisesAlertsAndStopsIt) {
    ASSERT_EQ(0, lmx::testing::runProgram(programs / "dwsvc", "dwsvc", {"install"}).exitCode);
    const fs::path controller = simulator::driveFilePath(root.path(), 0);
    simulator::createController(controller, "ZDA-GX460");
    // The service has watched this controller before and left its record, as on a machine
    // where it ran earlier: the tray's first load then knows the controller whether or not the
    // service's first poll is done, and raises nothing for it.
    const auto monswitch = programs / "monswitch";
    ASSERT_EQ(0, lmx::testing::runProgram(monswitch, "monswitch", {"start", "LMXDuowatch"}).exitCode);
    ASSERT_TRUE(eventually([] {
        lmx::ControllerStatusRecord record;
        lmx::clearRecord(record);
        dwsvc::loadRecord(0, record);
        return record.present == 1;
    }));
    ASSERT_EQ(0, lmx::testing::runProgram(monswitch, "monswitch", {"stop", "LMXDuowatch"}).exitCode);

    auto tray = startTray();
    ASSERT_TRUE(tray);
    ASSERT_TRUE(item) << "the tray icon never reached the notification area";

    const auto menu = desktop.trayMenu(*item);
    ASSERT_TRUE(menu.contains("監視を開始する") && menu.contains("監視を停止する") && menu.contains("RAID情報表示"));
    const std::string stoppedIcon = desktop.trayIconPixels(*item);
    ASSERT_NE("", stoppedIcon);

    // Start monitoring: monswitch starts the service, a box says so.
    ASSERT_TRUE(desktop.clickTrayMenuItem(*item, menu.at("監視を開始する")));
    ASSERT_TRUE(eventually([] { return dwsvc::readSetting(dwsvc::kServiceRunning, 0) == 1; }));
    ASSERT_TRUE(eventually([&] { return desktop.windowShown(kControlBox); }));
    ASSERT_TRUE(desktop.pressKey(kControlBox, "Return"));
    EXPECT_TRUE(eventually([&] { return !desktop.windowShown(kControlBox); }));
    // The tray's worker sees the service, loads the table once and shows the normal icon.
    std::string normalIcon;
    ASSERT_TRUE(eventually([&] { return (normalIcon = desktop.trayIconPixels(*item)) != stoppedIcon; }));
    EXPECT_FALSE(desktop.windowShown(kAlert));  // a normal controller raises nothing at the first load

    // A member drive fails. The service notices at its next poll (asked for at once here) and
    // wakes the tray through traysignal; the tray fetches the table over the pipe, raises the
    // alert and shows the attention icon.
    simulator::setFields(controller, {{"raid.status", "1"}, {"members.1.present", "false"}});
    const auto refresh = lmx::makePipeRequest(lmx::kRequestRefresh);
    std::vector<std::uint8_t> none;
    platform::pipes::callNamedPipe(lmx::kServicePipeName, {reinterpret_cast<const std::uint8_t*>(&refresh), sizeof refresh},
                                   none, lmx::kPipeWaitMilliseconds);
    EXPECT_TRUE(eventually([&] { return desktop.windowShown(kAlert); })) << "no alert for the failed member";
    EXPECT_TRUE(eventually([&] {
        const std::string icon = desktop.trayIconPixels(*item);
        return icon != normalIcon && icon != stoppedIcon;
    })) << "the icon does not show the failure";

    // A click on the icon opens the information window while the service runs.
    ASSERT_TRUE(desktop.clickTrayIcon(*item));
    EXPECT_TRUE(eventually([&] { return desktop.windowShown(kInformationWindow); }));

    // Stop monitoring: the service stops, the alerts close, a box says so.
    ASSERT_TRUE(desktop.clickTrayMenuItem(*item, menu.at("監視を停止する")));
    EXPECT_TRUE(eventually([] { return dwsvc::readSetting(dwsvc::kServiceRunning, 1) == 0; }));
    EXPECT_TRUE(eventually([&] { return !desktop.windowShown(kAlert); }));
    EXPECT_TRUE(eventually([&] { return desktop.trayIconPixels(*item) == stoppedIcon; }));
    ASSERT_TRUE(eventually([&] { return desktop.windowShown(kControlBox); }));
    ASSERT_TRUE(desktop.pressKey(kControlBox, "Return"));

    exitFromMenu(*tray);
}

}  // namespace
