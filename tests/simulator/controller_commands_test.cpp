// Commands that change a simulated controller: vendor controls, SMART enable, the clock,
// firmware blocks, and what the command log keeps of them.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "simulator/drive_store.h"
#include "tests/simulator/opened_controller.h"
#include "tests/simulator/simulator_requests.h"
#include "tests/support/temp_root.h"

namespace simulator {
namespace {

namespace pages = lmx::pages;

class SimControllerCommands : public testing::OpenedController {
protected:
    SimControllerCommands() : OpenedController("Lumavex ZDAP-RS481") {}
};

TEST_F(SimControllerCommands, VendorControlsThroughTheLegacyRoute) {
    testing::TaskFile start = testing::vendorControl(pages::kControlStartVerify);
    start.device = 0xB0;
    setFields(file, {{"raid.patrolProgress", "500"}});
    ASSERT_TRUE(testing::sendSmart(*drive, start, 3).ok);
    EXPECT_EQ(PatrolState::Running, readDrive(file).raid.patrol);
    EXPECT_EQ(0, readDrive(file).raid.patrolProgress);

    ASSERT_TRUE(testing::sendSmart(*drive, testing::vendorControl(pages::kControlStopVerify)).ok);
    EXPECT_EQ(PatrolState::Stopped, readDrive(file).raid.patrol);
    ASSERT_TRUE(testing::sendSmart(*drive, testing::vendorControl(pages::kControlEndVerify)).ok);
    EXPECT_EQ(PatrolState::None, readDrive(file).raid.patrol);
    ASSERT_TRUE(testing::sendSmart(*drive, testing::vendorControl(pages::kControlSilenceBuzzer)).ok);
    EXPECT_EQ(1u, readDrive(file).buzzerSilenced);

    const auto log = readCommandLog(file);
    ASSERT_EQ(4u, log.size());
    EXPECT_EQ("smart", log[0].route);
    EXPECT_EQ("D8 D6 29 4F C2 B0 B0 00", log[0].taskFile);
    EXPECT_EQ("start verify", log[0].action);
    EXPECT_EQ(3, nlohmann::json::parse(log[0].line)["driveNumber"]);
}

TEST_F(SimControllerCommands, VendorControlsThroughTheAtaRoutes) {
    ASSERT_TRUE(testing::sendDirect(*drive, testing::vendorControl(pages::kControlStartVerify)).ok);
    ASSERT_TRUE(testing::sendSat(*drive, testing::vendorControl(pages::kControlStopVerify)).ok);
    EXPECT_EQ(PatrolState::Stopped, readDrive(file).raid.patrol);
    const auto page = testing::readPageDirect(*drive, pages::kRaidInfoPage);
    EXPECT_EQ(0x03, page[pages::kRaidPatrolState]);

    // A count that is not the complement of the code is no control.
    testing::TaskFile bad = testing::vendorControl(pages::kControlSilenceBuzzer);
    bad.count = 0x10;
    const auto refused = testing::sendDirect(*drive, bad);
    EXPECT_EQ(lmx::kAtaStatusErr, refused.reply.CurrentTaskFile[lmx::kTaskCommand] & lmx::kAtaStatusErr);
    EXPECT_EQ(0u, readDrive(file).buzzerSilenced);
}

TEST_F(SimControllerCommands, SmartEnableAndTheClock) {
    setFields(file, {{"identify.smartEnabled", "false"}, {"identify.clockStateReported", "true"}});
    ASSERT_TRUE(testing::sendDirect(*drive, testing::smartEnable()).ok);
    EXPECT_TRUE(readDrive(file).identify.smartEnabled);

    ASSERT_TRUE(testing::sendDirect(*drive, testing::setClock(1'230'768'000'000)).ok);
    const DriveDescription after = readDrive(file);
    EXPECT_EQ(1'230'768'000'000u, after.clock.lastSetMs);
    EXPECT_EQ(1u, after.clock.setCount);
    EXPECT_TRUE(after.identify.clockIsSet);

    // Without the 48-bit flag the high-order registers never reach the device.
    testing::TaskFile short28 = testing::setClock(1'230'768'000'000);
    short28.extended = false;
    ASSERT_TRUE(testing::sendSat(*drive, short28).ok);
    EXPECT_EQ(1'230'768'000'000u & 0xFFFFFF, readDrive(file).clock.lastSetMs);
}

TEST_F(SimControllerCommands, FirmwareBlocksAreKeptInOrderWhicheverRoute) {
    testing::Sector first{};
    testing::Sector second{};
    first.fill(0x11);
    second.fill(0x22);
    second[511] = 0x99;
    ASSERT_TRUE(testing::sendDirect(*drive, testing::microcodeBlock(), first.data()).ok);
    const auto viaSat = testing::sendSat(*drive, testing::microcodeBlock(), second.data());
    ASSERT_TRUE(viaSat.ok);
    EXPECT_EQ(lmx::kScsiStatusGood, viaSat.status());

    const Bytes firmware = readFirmware(file);
    ASSERT_EQ(1024u, firmware.size());
    EXPECT_EQ(0x11, firmware[0]);
    EXPECT_EQ(0x22, firmware[512]);
    EXPECT_EQ(0x99, firmware[1023]);

    const auto log = readCommandLog(file);
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ("07 01 00 00 00 E0 92 00", log[0].taskFile);
    EXPECT_EQ("85 0A 06 00 07 00 01 00 00 00 00 00 00 E0 92 00", log[1].cdb);
    EXPECT_EQ(2, nlohmann::json::parse(log[1].line)["block"]);
}

TEST_F(SimControllerCommands, LogRecordsEveryRequestWithItsResult) {
    testing::readPageDirect(*drive, pages::kRaidInfoPage);
    setFields(file, {{"faults.rejectDirect", "1"}});
    testing::sendDirect(*drive, testing::identifyCommand());
    testing::sendSat(*drive, testing::plainCommand(0xC8));

    const auto log = readCommandLog(file);
    ASSERT_EQ(3u, log.size());
    EXPECT_EQ("direct", log[0].route);
    EXPECT_EQ("B0", log[0].command);
    EXPECT_EQ("D0 01 00 44 E5 A0 B0 00", log[0].taskFile);
    EXPECT_EQ(512u, log[0].dataLength);
    EXPECT_EQ("page E5", log[0].action);
    EXPECT_EQ("ok", log[0].result);
    EXPECT_EQ("rejected", log[1].result);
    EXPECT_EQ(1u, log[1].error);
    EXPECT_EQ("sat", log[2].route);
    EXPECT_EQ("aborted", log[2].result);

    clearCommandLog(file);
    EXPECT_TRUE(readCommandLog(file).empty());
}

}  // namespace
}  // namespace simulator
