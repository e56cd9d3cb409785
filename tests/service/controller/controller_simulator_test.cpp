// Controller access against simulated controllers, through the platform's drive interface.

#include <gtest/gtest.h>

#include <array>

#include "service/controller/controller_commands.h"
#include "service/controller/status_queries.h"
#include "simulator/drive_store.h"
#include "simulator/simulated_drive.h"
#include "tests/support/temp_root.h"

namespace controller {
namespace {

class ControllerSimulatorTest : public ::testing::Test {
protected:
    // The drives are opened through the platform, as dwsvc opens them.
    ControllerSimulatorTest() { simulator::registerSimulatedDrives(); }

    std::filesystem::path drive(int n) const { return simulator::driveFilePath(root.path(), n); }

    int poll(int n, lmx::ControllerStatusRecord& record, bool presentAtLastPoll = false) {
        lmx::clearRecord(record);
        PollContext context{ordinal, presentAtLastPoll, clockSet[static_cast<std::size_t>(n)], family};
        return pollController(n, record, context);
    }

    std::vector<simulator::LoggedCommand> log(int n) const { return simulator::readCommandLog(drive(n)); }

    lmx::testing::TempRoot root;
    int ordinal = 0;
    std::array<bool, 6> clockSet{};
    lmx::ControllerFamily family = lmx::ControllerFamily::Zarkel;
};

TEST_F(ControllerSimulatorTest, PollFillsTheRecordForEveryFamily) {
    struct Case {
        const char* model;
        lmx::ControllerFamily family;
        bool temperatures;
        std::size_t slots;
    };
    const Case cases[] = {{"ZDA-JW100", lmx::ControllerFamily::Zarkel, false, 2},
                          {"ZDA-GX460-TT3", lmx::ControllerFamily::Quessa, true, 2},
                          {"Lumavex ZDAP-RS481", lmx::ControllerFamily::Mollen, true, 2},
                          {"Lumavex ZDAP-RS482", lmx::ControllerFamily::MollenThreeSlot, true, 3}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        simulator::createController(drive(n), c.model);
        simulator::setFields(drive(n), {{"raid.status", "2"}, {"raid.rebuildProgress", "128"}, {"raid.patrol", "running"},
                                        {"raid.patrolProgress", "4660"}, {"members.0.temperature", "61"}});
        lmx::ControllerStatusRecord record;
        ASSERT_EQ(0, poll(n, record));
        EXPECT_EQ(c.family, family);
        EXPECT_EQ(n, record.physicalNumber);
        EXPECT_EQ(1, record.present);
        EXPECT_EQ(n, record.ordinal);
        EXPECT_EQ(c.model, lmx::trimmedField(record.raidModel));
        EXPECT_EQ(2, record.raidStatus);
        EXPECT_EQ(1, record.patrolState);
        EXPECT_EQ(128u, lmx::progress(record));  // rebuild progress wins over the patrol's
        EXPECT_GT(lmx::raidCapacity(record), 0u);
        for (std::size_t k = 0; k < 3; ++k) {
            const auto& slot = record.drive[k];
            if (k < c.slots) {
                EXPECT_EQ(1, slot.status & 1) << k;
                EXPECT_FALSE(lmx::trimmedField(slot.model).empty()) << k;
                EXPECT_GT(lmx::driveCapacity(slot), 0u) << k;
            } else {
                EXPECT_EQ(0, slot.status);
                EXPECT_EQ("", lmx::fieldText(slot.model));
            }
        }
        EXPECT_EQ(c.temperatures ? 1 : 0, record.drive[0].temperatureValid);
        EXPECT_EQ(c.temperatures ? 61 : 0, record.drive[0].temperature);
        ++n;
    }
}

TEST_F(ControllerSimulatorTest, WhatIsNotASupportedController) {
    lmx::ControllerStatusRecord record;
    EXPECT_EQ(-1, poll(0, record));  // no drive at all
    simulator::createController(drive(1), "ZDA-JY200");
    EXPECT_EQ(-1, poll(1, record));
    EXPECT_EQ(lmx::ControllerFamily::ZarkelT, family);  // recognised, recorded, not monitored
    simulator::createDisk(drive(2));
    EXPECT_EQ(-1, poll(2, record));
    simulator::createDisk(drive(3), "LMXSIM ATA DISK", false);
    EXPECT_EQ(1, poll(3, record));
    simulator::createSilentDrive(drive(4), 20);
    EXPECT_EQ(1, poll(4, record));
    EXPECT_EQ(0, record.present);
    EXPECT_EQ(0, ordinal);
}

TEST_F(ControllerSimulatorTest, RejectedDirectRouteFallsBackToSat) {
    simulator::createController(drive(0), "Lumavex ZDAP-RS482");
    simulator::setFields(drive(0), {{"faults.rejectDirect", "50"}});
    lmx::ControllerStatusRecord record;
    ASSERT_EQ(0, poll(0, record));
    const auto commands = log(0);
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ("direct", commands[0].route);
    EXPECT_EQ("rejected", commands[0].result);
    EXPECT_EQ("sat", commands[1].route);
    EXPECT_EQ("ok", commands[1].result);
    // IDENTIFY went out with sector count 1 on the SAT route.
    EXPECT_EQ("EC", commands[1].command);
    EXPECT_EQ("85 08 0E 00 00 00 01 00 00 00 00 00 00 A0 EC 00", commands[1].cdb);
}

TEST_F(ControllerSimulatorTest, SatSenseDecidesInBothFormats) {
    simulator::createController(drive(0), "ZDA-GX460-TT3");
    lmx::ControllerStatusRecord record;
    for (const char* format : {"fixed", "descriptor"}) {
        SCOPED_TRACE(format);
        simulator::setFields(drive(0), {{"faults.rejectDirect", "1"}, {"faults.senseFormat", format}, {"faults.satSenseKey", "1"}});
        EXPECT_EQ(0, poll(0, record));  // RECOVERED ERROR: success
        simulator::setFields(drive(0), {{"faults.satSenseKey", "11"}});
        EXPECT_EQ(1, poll(0, record));  // ABORTED COMMAND: failure
    }
}

TEST_F(ControllerSimulatorTest, ErrBitOfTheDirectRouteSendsTheCheckedCommandBySat) {
    simulator::createController(drive(0), "ZDA-GX460-TT3");
    simulator::setFields(drive(0), {{"faults.directErrBit", "true"}});
    Drive conversation;
    ASSERT_EQ(0, openDrive(0, false, conversation));
    EXPECT_EQ(0, enableSmart(conversation));
    closeDrive(conversation);
    const auto commands = log(0);
    ASSERT_EQ(2u, commands.size());
    EXPECT_EQ("direct", commands[0].route);
    EXPECT_EQ("sat", commands[1].route);
    EXPECT_EQ("D8 00 00 4F C2 A0 B0 00", commands[1].taskFile);
}

TEST_F(ControllerSimulatorTest, FailedDrivePageLeavesResultOneWithRaidInformation) {
    simulator::createController(drive(0), "Lumavex ZDAP-RS481");
    simulator::setFields(drive(0), {{"raid.status", "1"}, {"faults.brokenFrames", "E2"}});
    lmx::ControllerStatusRecord record;
    EXPECT_EQ(1, poll(0, record));
    EXPECT_EQ(0, record.present);
    EXPECT_EQ("Lumavex ZDAP-RS481", lmx::trimmedField(record.raidModel));
    EXPECT_EQ(1, record.raidStatus);
}

TEST_F(ControllerSimulatorTest, VendorControlTakesTheLegacySmartRequestFirst) {
    simulator::createController(drive(3), "Lumavex ZDAP-RS481");
    sendVendorControl(0x29, 3, false);
    auto commands = log(3);
    ASSERT_EQ(1u, commands.size());
    EXPECT_EQ("smart", commands[0].route);
    // Features, count = ~0x29, sector number = 0x29, cylinder 0xC24F, drive/head 0xB0 for odd drive 3.
    EXPECT_EQ("D8 D6 29 4F C2 B0 B0 00", commands[0].taskFile);
    EXPECT_EQ(simulator::PatrolState::Running, simulator::readDrive(drive(3)).raid.patrol);

    // When the legacy request is refused, the ATA routes carry it (device 0xA0).
    simulator::clearCommandLog(drive(3));
    simulator::setFields(drive(3), {{"faults.rejectSmart", "1"}});
    sendVendorControl(0x28, 3, false);
    commands = log(3);
    ASSERT_EQ(2u, commands.size());
    EXPECT_EQ("direct", commands[1].route);
    EXPECT_EQ("D8 D7 28 4F C2 A0 B0 00", commands[1].taskFile);
    EXPECT_EQ(simulator::PatrolState::Stopped, simulator::readDrive(drive(3)).raid.patrol);
}

TEST_F(ControllerSimulatorTest, ClockIsSetOncePerRunWithoutClockReporting) {
    // The default controller does not report its clock state.
    simulator::createController(drive(0), "Lumavex ZDAP-RS481");
    lmx::ControllerStatusRecord record;
    ASSERT_EQ(0, poll(0, record));
    ASSERT_EQ(0, poll(0, record));
    int clockCommands = 0;
    for (const auto& command : log(0)) clockCommands += command.command == "77";
    EXPECT_EQ(1, clockCommands);
    EXPECT_TRUE(clockSet[0]);
}

TEST_F(ControllerSimulatorTest, ClockIsSetUntilTheControllerReportsItSet) {
    simulator::createController(drive(0), "Lumavex ZDAP-RS482");
    simulator::setFields(drive(0), {{"identify.clockStateReported", "true"}, {"identify.clockIsSet", "false"}});
    lmx::ControllerStatusRecord record;
    ASSERT_EQ(0, poll(0, record));
    ASSERT_EQ(0, poll(0, record));
    int clockCommands = 0;
    for (const auto& command : log(0)) clockCommands += command.command == "77";
    EXPECT_EQ(1, clockCommands);  // the second poll found the clock reported as set
    EXPECT_TRUE(simulator::readDrive(drive(0)).identify.clockIsSet);
}

TEST_F(ControllerSimulatorTest, LogPagesAreReadUncheckedEvenWithoutAController) {
    simulator::createController(drive(0), "ZDA-GX460");
    std::array<std::uint8_t, 512> page{};
    ASSERT_TRUE(readLogPage(0xF4, 0, false, page));
    EXPECT_EQ(0xF4, page[0]);
    EXPECT_EQ(0xF5, page[1]);  // the default pattern: byte i = page code + i

    simulator::createDisk(drive(1));
    readLogPage(0xF5, 1, false, page);
    const auto commands = log(1);
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ("B0", commands[0].command);
    EXPECT_FALSE(readLogPage(0xF5, 2, false, page));  // no drive: nothing to read
}

}  // namespace
}  // namespace controller
