// The three request routes: the same answer through each, the translation layer's checks,
// sense data, and the faults a drive can be asked to show.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "platform/physical_drive.h"
#include "platform/win_error.h"
#include "simulator/drive_store.h"
#include "simulator/simulated_drive.h"
#include "tests/simulator/opened_controller.h"
#include "tests/simulator/simulator_requests.h"
#include "tests/support/temp_root.h"

namespace simulator {
namespace {

namespace pages = lmx::pages;
using testing::Sector;

class SimRoutes : public testing::OpenedController {
protected:
    SimRoutes() : OpenedController("Lumavex ZDAP-RS482") {}
};

TEST_F(SimRoutes, EveryRouteReturnsTheSamePage) {
    const Sector direct = testing::readPageDirect(*drive, pages::kRaidInfoPage);
    const Sector sat = testing::readPageSat(*drive, pages::kRaidInfoPage);
    const auto smart = testing::sendSmart(*drive, testing::pageRead(pages::kRaidInfoPage));
    ASSERT_TRUE(smart.ok);
    EXPECT_EQ(512u, lmx::loadLittleEndian<std::uint32_t>(smart.out.cBufferSize));
    EXPECT_EQ(pages::kRaidInfoPage, direct[0]);
    EXPECT_EQ(direct, sat);
    EXPECT_EQ(0, std::memcmp(direct.data(), smart.out.bBuffer, direct.size()));
}

TEST_F(SimRoutes, DirectReplyCarriesStatusAndEchoesTheTaskFile) {
    const auto result = testing::sendDirect(*drive, testing::pageRead(pages::kStandardInfoPage));
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(0x50, result.reply.CurrentTaskFile[lmx::kTaskCommand]);
    EXPECT_EQ(0x00, result.reply.CurrentTaskFile[lmx::kTaskFeatures]);
    EXPECT_EQ(pages::kStandardInfoPage, result.reply.CurrentTaskFile[lmx::kTaskLbaHigh]);
    EXPECT_EQ(512u, result.reply.DataTransferLength);

    const auto unknown = testing::sendDirect(*drive, testing::plainCommand(0xC8));
    ASSERT_TRUE(unknown.ok);
    EXPECT_EQ(0x51, unknown.reply.CurrentTaskFile[lmx::kTaskCommand]);
    EXPECT_EQ(0x04, unknown.reply.CurrentTaskFile[lmx::kTaskFeatures]);
}

TEST_F(SimRoutes, SatMovesOnlyWhatTheSectorCountSays) {
    testing::TaskFile identify = testing::identifyCommand();
    identify.count = 0;  // the translation would move no data for a 512-byte request
    const auto refused = testing::sendSat(*drive, identify);
    ASSERT_TRUE(refused.ok);
    EXPECT_EQ(lmx::kScsiStatusCheckCondition, refused.status());
    EXPECT_EQ(0x05, refused.buffer.Sense[1] & 0x0F);  // ILLEGAL REQUEST
    EXPECT_EQ(0x24, refused.buffer.Sense[2]);

    identify.count = 1;
    const auto answered = testing::sendSat(*drive, identify);
    EXPECT_EQ(lmx::kScsiStatusGood, answered.status());
    EXPECT_EQ(pages::kIdentifySignatureValue, answered.buffer.Data[pages::kIdentifySignature]);
    EXPECT_EQ(512u, lmx::u32(answered.buffer.DataTransferLength));
}

TEST_F(SimRoutes, AbortsThroughEachRoute) {
    const testing::TaskFile unknown = testing::plainCommand(0xC8);
    const auto sat = testing::sendSat(*drive, unknown);
    ASSERT_TRUE(sat.ok);
    EXPECT_EQ(lmx::kScsiStatusCheckCondition, sat.status());
    EXPECT_EQ(0x72, sat.buffer.Sense[0]);
    EXPECT_EQ(0x0B, sat.buffer.Sense[1] & 0x0F);  // ABORTED COMMAND
    EXPECT_EQ(0x09, sat.buffer.Sense[8]);
    EXPECT_EQ(0x04, sat.buffer.Sense[11]);  // ABRT
    EXPECT_EQ(0x51, sat.buffer.Sense[21]);

    const auto smart = testing::sendSmart(*drive, unknown);
    EXPECT_FALSE(smart.ok);
    EXPECT_EQ(platform::kErrorIoDevice, smart.error);
    EXPECT_EQ(0x04, smart.out.DriverStatus.bIDEError);
}

TEST_F(SimRoutes, SenseFormatsAndKeysOnRequest) {
    setFields(file, {{"faults.satSenseKey", "1"}, {"faults.senseFormat", "fixed"}});
    const auto recovered = testing::sendSat(*drive, testing::pageRead(pages::kRaidInfoPage));
    EXPECT_EQ(lmx::kScsiStatusCheckCondition, recovered.status());
    EXPECT_EQ(0xF0, recovered.buffer.Sense[0]);  // fixed, VALID
    EXPECT_EQ(0x01, recovered.buffer.Sense[2] & 0x0F);
    EXPECT_EQ(0x00, recovered.buffer.Sense[3]);                   // error
    EXPECT_EQ(0x50, recovered.buffer.Sense[4]);                   // status
    EXPECT_EQ(pages::kRaidInfoPage, recovered.buffer.Sense[11]);  // LBA high
    EXPECT_EQ(pages::kRaidInfoPage, recovered.buffer.Data[0]);    // the data still arrives

    setFields(file, {{"faults.satSenseKey", "0x0B"}, {"faults.senseValid", "false"}});
    const auto aborted = testing::sendSat(*drive, testing::pageRead(pages::kRaidInfoPage));
    EXPECT_EQ(0x70, aborted.buffer.Sense[0]);
    EXPECT_EQ(0x0B, aborted.buffer.Sense[2] & 0x0F);
    EXPECT_EQ(0x00, aborted.buffer.Data[0]);

    setFields(file, {{"faults.senseFormat", "descriptor"}});
    testing::TaskFile clock = testing::setClock(0x11E8F7D4C00);
    const auto descriptor = testing::sendSat(*drive, clock);
    EXPECT_EQ(0x72, descriptor.buffer.Sense[0]);
    EXPECT_EQ(0x0B, descriptor.buffer.Sense[1] & 0x0F);
    EXPECT_EQ(0x01, descriptor.buffer.Sense[10]);  // EXTEND
    EXPECT_EQ(0x8F, descriptor.buffer.Sense[14]);  // LBA(31:24)
    EXPECT_EQ(0x01, descriptor.buffer.Sense[18]);  // LBA(47:40)
    EXPECT_FALSE(readDrive(file).clock.lastSetMs.has_value());
}

TEST_F(SimRoutes, OtherScsiStatusesAndVerbatimSenseWithOrWithoutTheCommand) {
    // BUSY, the command not carried out: no sense, no data, no change.
    setFields(file, {{"faults.scsiStatus", "0x08"}});
    const auto busy = testing::sendSat(*drive, testing::vendorControl(pages::kControlStartVerify));
    EXPECT_TRUE(busy.ok);
    EXPECT_EQ(0x08, busy.status());
    EXPECT_EQ(0, busy.buffer.SenseInfoLength);
    EXPECT_EQ(PatrolState::None, readDrive(file).raid.patrol);
    // BUSY after the command was carried out.
    setFields(file, {{"faults.scsiStatusExecutes", "true"}});
    EXPECT_EQ(0x08, testing::sendSat(*drive, testing::vendorControl(pages::kControlStartVerify)).status());
    EXPECT_EQ(PatrolState::Running, readDrive(file).raid.patrol);
    EXPECT_THROW(setFields(file, {{"faults.scsiStatus", "2"}}), SimulatorError);  // CHECK CONDITION has its own faults

    // Sense bytes of any kind, returned as they are: here a vendor response code.
    setFields(file, {{"faults.scsiStatus", "null"}, {"faults.sense", "7F 01 02 03 04"}});
    const auto odd = testing::sendSat(*drive, testing::pageRead(pages::kRaidInfoPage));
    EXPECT_EQ(lmx::kScsiStatusCheckCondition, odd.status());
    EXPECT_EQ(5, odd.buffer.SenseInfoLength);
    EXPECT_EQ(0, std::memcmp("\x7F\x01\x02\x03\x04", odd.buffer.Sense, 5));
    EXPECT_EQ(0x00, odd.buffer.Data[0]);  // not carried out: no data
    setFields(file, {{"faults.senseExecutes", "true"}});
    const auto carried = testing::sendSat(*drive, testing::pageRead(pages::kRaidInfoPage));
    EXPECT_EQ(lmx::kScsiStatusCheckCondition, carried.status());
    EXPECT_EQ(pages::kRaidInfoPage, carried.buffer.Data[0]);

    const auto log = readCommandLog(file);
    ASSERT_EQ(4u, log.size());
    EXPECT_EQ("scsi-status", log[0].result);
    EXPECT_EQ("sense", log[3].result);
    EXPECT_EQ("7F 01 02 03 04", log[3].sense);
}

TEST_F(SimRoutes, CommandLogKeepsWhatTheProgramHandedOver) {
    testing::sendSat(*drive, testing::identifyCommand());
    testing::sendSmart(*drive, testing::vendorControl(pages::kControlSilenceBuzzer));
    testing::sendDirect(*drive, testing::identifyCommand());
    const auto log = readCommandLog(file);
    ASSERT_EQ(3u, log.size());
    // The SCSI route: the buffer's sizes (a data-in command sends the header alone and takes
    // the whole request back) and the 44-byte header with its command block.
    EXPECT_EQ(lmx::kScsiPassThroughHeaderSize, log[0].inSize);
    EXPECT_EQ(lmx::kSatRequestSize, log[0].outSize);
    ASSERT_EQ(44u * 3 - 1, log[0].requestHeader.size());
    EXPECT_EQ("2C 00", log[0].requestHeader.substr(0, 5));                         // Length 44
    EXPECT_EQ("85", log[0].requestHeader.substr(3 * offsetof(lmx::ScsiPassThroughRequest, Cdb), 2));
    // The legacy SMART request: all 32 bytes as sent.
    EXPECT_EQ(lmx::kSendCmdInSize, log[1].inSize);
    EXPECT_EQ(32u * 3 - 1, log[1].requestHeader.size());
    // The direct route: the task-file descriptor.
    EXPECT_EQ(sizeof(lmx::AtaPassThroughDirect), log[2].inSize);
    EXPECT_EQ(sizeof(lmx::AtaPassThroughDirect) * 3 - 1, log[2].requestHeader.size());
}

TEST_F(SimRoutes, RejectedRouteAndErrBit) {
    setFields(file, {{"faults.rejectDirect", "50"}, {"faults.rejectSmart", "1"}});
    const auto direct = testing::sendDirect(*drive, testing::pageRead(pages::kRaidInfoPage));
    EXPECT_FALSE(direct.ok);
    EXPECT_EQ(platform::kErrorNotSupported, direct.error);
    const auto smart = testing::sendSmart(*drive, testing::vendorControl(pages::kControlSilenceBuzzer));
    EXPECT_FALSE(smart.ok);
    EXPECT_EQ(platform::kErrorInvalidFunction, smart.error);
    EXPECT_EQ(0u, readDrive(file).buzzerSilenced);
    EXPECT_EQ(pages::kRaidInfoPage, testing::readPageSat(*drive, pages::kRaidInfoPage)[0]);

    setFields(file, {{"faults.rejectDirect", "0"}, {"faults.directErrBit", "true"}});
    const auto withErr = testing::sendDirect(*drive, testing::vendorControl(pages::kControlStartVerify));
    EXPECT_TRUE(withErr.ok);
    EXPECT_EQ(lmx::kAtaStatusErr, withErr.reply.CurrentTaskFile[lmx::kTaskCommand] & lmx::kAtaStatusErr);
    EXPECT_EQ(PatrolState::None, readDrive(file).raid.patrol);
}

TEST_F(SimRoutes, NextCommandsFailAndTheCountIsKept) {
    setFields(file, {{"faults.failNext", "2"}});
    EXPECT_FALSE(testing::sendDirect(*drive, testing::identifyCommand()).ok);
    EXPECT_EQ(1u, readDrive(file).faults.failNext);
    const auto second = testing::sendSat(*drive, testing::identifyCommand());
    EXPECT_FALSE(second.ok);
    EXPECT_EQ(platform::kErrorIoDevice, second.error);
    EXPECT_TRUE(testing::sendDirect(*drive, testing::identifyCommand()).ok);
    EXPECT_EQ(0u, readDrive(file).faults.failNext);
}

TEST_F(SimRoutes, MalformedRequestsFailWithInvalidParameter) {
    lmx::AtaPassThroughDirect request{};
    std::uint32_t returned = 0;
    std::uint32_t error = 0;
    EXPECT_FALSE(
        drive->ioControl(lmx::kIoctlAtaPassThroughDirect, &request, 8, &request, sizeof request, returned, error));
    EXPECT_EQ(platform::kErrorInvalidParameter, error);

    auto sat = testing::sendSat(*drive, testing::identifyCommand());
    lmx::storeLittleEndian<std::uint16_t>(sat.buffer.Length, 56);
    EXPECT_FALSE(drive->ioControl(lmx::kIoctlScsiPassThrough, &sat.buffer, 44, &sat.buffer, 592, returned, error));
    EXPECT_EQ(platform::kErrorInvalidParameter, error);

    EXPECT_FALSE(drive->ioControl(0x2D1400, &request, sizeof request, &request, sizeof request, returned, error));
    EXPECT_EQ(platform::kErrorInvalidFunction, error);
}

// An open drive reads its file for every request; a file that did not change is not parsed
// again, but every change shows at once, one of the same length too, and a file made invalid
// is never answered from an earlier reading.
TEST_F(SimRoutes, AnOpenDriveSeesEveryChangeToItsFile) {
    EXPECT_EQ(0, testing::readPageDirect(*drive, pages::kStandardInfoPage)[2] & 0x0F);
    setFields(file, {{"raid.status", "1"}});
    EXPECT_EQ(1, testing::readPageDirect(*drive, pages::kStandardInfoPage)[2] & 0x0F);
    setFields(file, {{"raid.status", "2"}});
    EXPECT_EQ(2, testing::readPageDirect(*drive, pages::kStandardInfoPage)[2] & 0x0F);

    std::ofstream(file) << "{ not a drive";
    const auto broken = testing::sendDirect(*drive, testing::pageRead(pages::kStandardInfoPage));
    EXPECT_FALSE(broken.ok);
    EXPECT_EQ(platform::kErrorIoDevice, broken.error);
}

TEST(SimSilentDrive, EveryCommandTimesOut) {
    lmx::testing::TempRoot root;
    const auto file = driveFilePath(root.path(), 4);
    createSilentDrive(file, 5);
    auto drive = testing::openDrive(file);
    const auto direct = testing::sendDirect(*drive, testing::identifyCommand());
    EXPECT_FALSE(direct.ok);
    EXPECT_EQ(platform::kErrorSemTimeout, direct.error);
    EXPECT_FALSE(testing::sendSmart(*drive, testing::vendorControl(pages::kControlStartVerify)).ok);
    const auto log = readCommandLog(file);
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ("timeout", log[1].result);
    EXPECT_EQ("smart", log[1].route);
}

TEST(OpenSimulatedDrive, MissingAndInvalidFiles) {
    lmx::testing::TempRoot root;
    const auto file = driveFilePath(root.path(), 0);
    std::uint32_t error = 0;
    EXPECT_FALSE(openSimulatedDrive(file, error));
    EXPECT_EQ(2u, error);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << R"({"kind": "controller", "model": "Lumavex ZDA-RS48"})";
    EXPECT_FALSE(openSimulatedDrive(file, error));
    EXPECT_EQ(13u, error);
    std::ofstream(file) << R"({"kind": "controller", "model": "ZDA-JW100", "members": [{"temperature": 70}]})";
    ASSERT_TRUE(openSimulatedDrive(file, error));
    const DriveDescription drive = readDrive(file);
    EXPECT_EQ(70, drive.members[0].temperature);
    EXPECT_FALSE(drive.members[1].present);
}

}  // namespace
}  // namespace simulator
