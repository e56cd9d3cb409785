// The vendor pages of each controller family: frames, and the fields at the offsets the
// status reader decodes them from.

#include <gtest/gtest.h>

#include <string>

#include "common/byte_order.h"
#include "common/controller_status_record.h"
#include "platform/physical_drive.h"
#include "simulator/command_log.h"
#include "simulator/drive_store.h"
#include "tests/simulator/simulator_requests.h"
#include "tests/support/temp_root.h"

namespace simulator {
namespace {

namespace pages = lmx::pages;
using lmx::ControllerFamily;
using testing::Sector;

std::string text(const Sector& page, std::size_t offset, std::size_t length) {
    return std::string(reinterpret_cast<const char*>(&page[offset]), length);
}

std::string padded(std::string value, std::size_t length) {
    value.resize(length, ' ');
    return value;
}

void expectFrame(const Sector& page, std::uint8_t code, std::uint8_t length, std::size_t trailer) {
    EXPECT_EQ(code, page[pages::kFrameCode]);
    EXPECT_EQ(length, page[pages::kFrameLength]);
    EXPECT_EQ(pages::kTrailerFirst, page[trailer]);
    EXPECT_EQ(pages::kTrailerSecond, page[trailer + 1]);
}

struct FamilyCase {
    const char* name;
    const char* model;
    ControllerFamily family;
    std::uint8_t raidLength;
    std::uint8_t standardLength;
    std::uint8_t driveLength;
    std::size_t driveTrailer;
    std::size_t slots;
};

class SimFamilyPages : public ::testing::TestWithParam<FamilyCase> {
protected:
    void SetUp() override {
        createController(file, GetParam().model);
        updateDrive(file, [](DriveDescription& drive) {
            drive.serial = "RAIDSERIAL";
            drive.firmware = "R2.00";
            drive.capacity = 7'814'037'168;
            drive.raid.status = lmx::kRaidRebuilding;
            drive.raid.rebuildProgress = 128;
            drive.raid.patrol = PatrolState::Stopped;
            drive.raid.patrolProgress = 0x1234;
            drive.raid.optionFlags = 0x13;
            drive.raid.errorSkipped = true;
            drive.raid.fpgaVersion = 0x0102030405060708;
            drive.members[0].rebuilding = true;
            drive.members[0].spare = true;
            drive.members[0].otherStatusBits = 0x08;
            drive.members[0].temperature = 61;
            drive.members[0].temperature2 = 40;
            drive.members[0].serial = "MEMBER0";
            drive.members[1].present = false;
            if (drive.members.size() > 2) drive.members[2].otherExtraBits = 0x81;
        });
        drive = testing::openDrive(file);
    }

    lmx::testing::TempRoot root;
    std::filesystem::path file = driveFilePath(root.path(), 1);
    std::unique_ptr<platform::DriveBackend> drive;
};

TEST_P(SimFamilyPages, RaidPage) {
    const FamilyCase& c = GetParam();
    const Sector page = testing::readPageDirect(*drive, pages::kRaidInfoPage);
    expectFrame(page, pages::kRaidInfoPage, c.raidLength, c.raidLength - 2u);
    EXPECT_EQ(padded(c.model, 40), text(page, pages::kRaidModel, 40));
    EXPECT_EQ(padded("R2.00", 8), text(page, pages::kRaidFirmware, 8));
    EXPECT_EQ(padded("RAIDSERIAL", 20), text(page, pages::kRaidSerial, 20));
    EXPECT_EQ(7'814'037'168u, lmx::loadBigEndian<std::uint64_t>(&page[pages::kRaidCapacity]));
    EXPECT_EQ(0x13, page[pages::kRaidOptionFlags]);
    EXPECT_EQ(0x03, page[pages::kRaidPatrolState]);  // patrol, stopped
    EXPECT_EQ(0x80, page[pages::kRaidErrorSkip]);
    const auto progressAt = pages::patrolProgressOffset(c.family, c.raidLength);
    ASSERT_TRUE(progressAt.has_value());
    EXPECT_EQ(0x12, page[*progressAt]);
    EXPECT_EQ(0x34, page[*progressAt + 1]);
    EXPECT_EQ(0x0102030405060708u, lmx::loadBigEndian<std::uint64_t>(&page[pages::kRaidFpgaVersion]));
}

TEST_P(SimFamilyPages, StandardPage) {
    const FamilyCase& c = GetParam();
    const Sector page = testing::readPageDirect(*drive, pages::kStandardInfoPage);
    expectFrame(page, pages::kStandardInfoPage, c.standardLength, c.standardLength - 2u);
    EXPECT_EQ(lmx::kRaidRebuilding, page[pages::kStandardRaidStatus] & 0x0F);
    // Slot 0: present, rebuilding, bit 3; slot 1 pulled.
    EXPECT_EQ(0xB0, page[pages::kStandardDrives01]);
    EXPECT_EQ(c.slots == 3 ? 0x10 : 0x00, page[pages::kStandardDrive2]);
    EXPECT_EQ(128, page[pages::kStandardRebuildProgress]);
    if (c.standardLength == pages::kStandardLengthLong) {  // the short layout ends where these would be
        EXPECT_EQ(lmx::kDriveSpareBit, page[pages::kStandardStatusExtra]);
        EXPECT_EQ(c.slots == 3 ? 0x81 : 0, page[pages::kStandardStatusExtra + 2]);
    }
}

TEST_P(SimFamilyPages, DrivePageHasBlocksOfPresentMembersOnly) {
    const FamilyCase& c = GetParam();
    const Sector page = testing::readPageDirect(*drive, pages::kDriveInfoPage);
    expectFrame(page, pages::kDriveInfoPage, c.driveLength, c.driveTrailer);
    const std::size_t slot0 = pages::kDriveBlockStart;
    EXPECT_EQ(padded("Lumavex LHD-1000", 40), text(page, slot0 + pages::kBlockModel, 40));
    EXPECT_EQ(padded("LH10", 8), text(page, slot0 + pages::kBlockFirmware, 8));
    EXPECT_EQ(padded("MEMBER0", 20), text(page, slot0 + pages::kBlockSerial, 20));
    EXPECT_EQ(1'953'525'168u, lmx::loadBigEndian<std::uint64_t>(&page[slot0 + pages::kBlockCapacity]));
    const std::size_t slot1 = slot0 + pages::kDriveBlockSize;
    for (std::size_t i = 0; i < pages::kDriveBlockSize; ++i) ASSERT_EQ(0, page[slot1 + i]) << i;
    if (c.slots == 3) {
        EXPECT_EQ('L', page[slot0 + 2 * pages::kDriveBlockSize + pages::kBlockModel]);
    }
}

TEST_P(SimFamilyPages, SmartPageCarriesTemperaturesLessOne) {
    const Sector page = testing::readPageDirect(*drive, pages::kFirstSmartPage);
    bool found = false;
    for (std::size_t i = 0; i < pages::kSmartEntryCount; ++i) {
        const std::uint8_t* entry = &page[pages::kSmartFirstEntry + i * pages::kSmartEntrySize];
        if (entry[0] != pages::kSmartTemperatureAttribute) continue;
        found = true;
        EXPECT_EQ(60, entry[pages::kSmartEntryRaw] | entry[pages::kSmartEntryRaw + 1] << 8);
        EXPECT_EQ(39, entry[pages::kSmartEntryRaw + 4] | entry[pages::kSmartEntryRaw + 5] << 8);
    }
    EXPECT_TRUE(found);
}

INSTANTIATE_TEST_SUITE_P(
    EveryFamily, SimFamilyPages,
    ::testing::Values(FamilyCase{"Zarkel", "ZDA-JW100", ControllerFamily::Zarkel, 0x80, 0x0E, 0xA4, 162, 2},
                      FamilyCase{"ZarkelT", "ZDA-JY200", ControllerFamily::ZarkelT, 0x80, 0x1C, 0xF4, 242, 3},
                      FamilyCase{"Quessa", "ZDA-GX460-TT3", ControllerFamily::Quessa, 0x94, 0x0E, 0xA4, 162, 2},
                      FamilyCase{"Mollen", "Lumavex ZDAP-RS481", ControllerFamily::Mollen, 0xBE, 0x1C, 0xF4, 242, 2},
                      FamilyCase{"MollenThreeSlot", "Lumavex ZDAP-RS482", ControllerFamily::MollenThreeSlot, 0xBE, 0x1C,
                                 0xF4, 242, 3}),
    [](const ::testing::TestParamInfo<FamilyCase>& info) { return std::string(info.param.name); });

class SimPageVariants : public ::testing::Test {
protected:
    lmx::testing::TempRoot root;
    std::filesystem::path file = driveFilePath(root.path(), 1);
};

TEST_F(SimPageVariants, AlternativeLengthsMoveProgressButNotTheDriveTrailer) {
    createController(file, "ZDA-JW100");
    setFields(file, {{"pageLengths.raid", "0x7E"},
                     {"pageLengths.drive", "0xA2"},
                     {"raid.patrol", "running"},
                     {"raid.patrolProgress", "0xABCD"}});
    auto drive = testing::openDrive(file);
    const Sector raid = testing::readPageDirect(*drive, pages::kRaidInfoPage);
    expectFrame(raid, pages::kRaidInfoPage, 0x7E, 124);
    EXPECT_EQ(0xAB, raid[95]);
    EXPECT_EQ(0xCD, raid[96]);
    EXPECT_EQ(0x01, raid[pages::kRaidPatrolState]);
    expectFrame(testing::readPageDirect(*drive, pages::kDriveInfoPage), pages::kDriveInfoPage, 0xA2,
                pages::kDriveTrailerTwoSlot);

    createController(file, "Lumavex ZDA-RS481");
    setFields(file, {{"pageLengths.raid", "0x80"}, {"raid.patrolProgress", "0x0102"}});
    const Sector mollen = testing::readPageDirect(*drive, pages::kRaidInfoPage);
    EXPECT_EQ(0x01, mollen[95]);
    EXPECT_EQ(0x02, mollen[96]);
}

TEST_F(SimPageVariants, LengthAFamilyDoesNotUseIsRefused) {
    createController(file, "ZDA-GX460");
    EXPECT_THROW(setFields(file, {{"pageLengths.raid", "0xBE"}}), SimulatorError);
    EXPECT_EQ(pages::kRaidLengthQuessa, readDrive(file).pageLengths.raid);
}

TEST_F(SimPageVariants, BrokenFrameSpoilsOnlyThatPage) {
    createController(file, "Lumavex ZDAP-RS482");
    setFields(file, {{"faults.brokenFrames", "E5"}});
    auto drive = testing::openDrive(file);
    const Sector raid = testing::readPageDirect(*drive, pages::kRaidInfoPage);
    EXPECT_EQ(pages::kRaidInfoPage, raid[0]);
    EXPECT_FALSE(raid[188] == pages::kTrailerFirst && raid[189] == pages::kTrailerSecond);
    expectFrame(testing::readPageDirect(*drive, pages::kStandardInfoPage), pages::kStandardInfoPage, 0x1C, 26);
}

TEST_F(SimPageVariants, MirrorLogsPatternContentAndOverrides) {
    createController(file, "Lumavex ZDAP-RS482");
    auto drive = testing::openDrive(file);
    const Sector log = testing::readPageDirect(*drive, pages::kMirrorLogPageB);
    EXPECT_EQ(0xF5, log[0]);
    EXPECT_EQ(0xF6, log[1]);
    EXPECT_EQ(0xF4, log[511]);

    setFields(file, {{"mirrorLogs.F4", "0123456789"}, {"overrides.E1", "E1 0E 99"}});
    const Sector set = testing::readPageDirect(*drive, pages::kMirrorLogPageA);
    EXPECT_EQ(0x01, set[0]);
    EXPECT_EQ(0x89, set[4]);
    EXPECT_EQ(0x00, set[5]);
    const Sector overridden = testing::readPageDirect(*drive, pages::kStandardInfoPage);
    EXPECT_EQ(0x99, overridden[2]);
    EXPECT_EQ(0x00, overridden[12]);  // verbatim: no trailer added
}

TEST_F(SimPageVariants, FailedPagesFailByEveryRouteAndAreLogged) {
    createController(file, "Lumavex ZDAP-RS482");
    // An override of a failing page does not answer for it.
    setFields(file, {{"faults.failPages", "F5, e5"}, {"overrides.E5", "E5 10"}});
    EXPECT_EQ((std::vector<std::uint8_t>{0xF5, 0xE5}), readDrive(file).faults.failPages);
    auto drive = testing::openDrive(file);

    const auto direct = testing::sendDirect(*drive, testing::pageRead(pages::kMirrorLogPageB));
    EXPECT_FALSE(direct.ok);
    EXPECT_EQ(platform::kErrorIoDevice, direct.error);
    const auto sat = testing::sendSat(*drive, testing::pageRead(pages::kMirrorLogPageB));
    EXPECT_FALSE(sat.ok);
    EXPECT_EQ(platform::kErrorIoDevice, sat.error);
    const auto smart = testing::sendSmart(*drive, testing::pageRead(pages::kMirrorLogPageB));
    EXPECT_FALSE(smart.ok);
    EXPECT_EQ(platform::kErrorIoDevice, smart.error);
    EXPECT_FALSE(testing::sendDirect(*drive, testing::pageRead(pages::kRaidInfoPage)).ok);

    // The other pages and commands answer as before.
    EXPECT_EQ(0xF4, testing::readPageDirect(*drive, pages::kMirrorLogPageA)[0]);
    expectFrame(testing::readPageDirect(*drive, pages::kStandardInfoPage), pages::kStandardInfoPage, 0x1C, 26);
    EXPECT_TRUE(testing::sendDirect(*drive, testing::vendorControl(pages::kControlSilenceBuzzer)).ok);

    const auto log = readCommandLog(file);
    ASSERT_GE(log.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ("page F5", log[i].action);
        EXPECT_EQ("failed", log[i].result);
        EXPECT_EQ(platform::kErrorIoDevice, log[i].error);
    }
    EXPECT_EQ("page E5", log[3].action);

    setFields(file, {{"faults.failPages", ""}});
    EXPECT_EQ(0xF5, testing::readPageDirect(*drive, pages::kMirrorLogPageB)[0]);
}

TEST_F(SimPageVariants, PagesAControllerLacksAreAborted) {
    createController(file, "ZDA-JW100");
    auto controller = testing::openDrive(file);
    const auto thirdSlot = testing::sendDirect(*controller, testing::pageRead(0xEA));
    EXPECT_TRUE(thirdSlot.ok);
    EXPECT_EQ(lmx::kAtaStatusErr, thirdSlot.reply.CurrentTaskFile[lmx::kTaskCommand] & lmx::kAtaStatusErr);

    createDisk(file);
    const auto diskPage = testing::sendDirect(*controller, testing::pageRead(pages::kRaidInfoPage));
    EXPECT_EQ(lmx::kAtaStatusErr, diskPage.reply.CurrentTaskFile[lmx::kTaskCommand] & lmx::kAtaStatusErr);
}

}  // namespace
}  // namespace simulator
