// Creating and changing drive files: field assignment, refusals that leave the file intact,
// member slots, the command log, and changes from several threads at once.

#include "simulator/drive_store.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/system_info.h"
#include "simulator/simulated_drive.h"
#include "tests/simulator/drive_store_fixture.h"
#include "tests/simulator/simulator_requests.h"

namespace simulator {
namespace {

namespace pages = lmx::pages;
using testing::SimDriveStore;

std::string fileText(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}


TEST_F(SimDriveStore, DefaultsFollowTheFamily) {
    createController(file, "Lumavex ZDAP-RS482", 2);
    const DriveDescription drive = readDrive(file);
    EXPECT_EQ(lmx::ControllerFamily::MollenThreeSlot, drive.family());
    ASSERT_EQ(3u, drive.members.size());
    EXPECT_TRUE(drive.members[1].present);
    EXPECT_FALSE(drive.members[2].present);
    EXPECT_EQ(pages::kDriveLengthThreeSlot, drive.pageLengths.drive);

    EXPECT_THROW(createController(file, "ZDA-JW100", 3), SimulatorError);
    EXPECT_THROW(createController(file, "WDC WD40EFRX"), SimulatorError);
    EXPECT_EQ(lmx::ControllerFamily::MollenThreeSlot, readDrive(file).family());
}

TEST_F(SimDriveStore, FieldsTakeTextOfTheirType) {
    createController(file, "ZDA-GX460-TT3");
    setFields(file, {{"raid.status", "3"},
                     {"raid.fpgaVersion", "0x1A2B3C4D"},
                     {"raid.errorSkipped", "yes"},
                     {"raid.patrol", "running"},
                     {"members.1.temperature", "null"},
                     {"members.0.spare", "on"},
                     {"serial", "12345"},
                     {"faults.brokenFrames", "E1, e2"},
                     {"overrides.E8", "C2 00"}});
    const DriveDescription drive = readDrive(file);
    EXPECT_EQ(3, drive.raid.status);
    EXPECT_EQ(0x1A2B3C4Du, drive.raid.fpgaVersion);
    EXPECT_TRUE(drive.raid.errorSkipped);
    EXPECT_EQ(PatrolState::Running, drive.raid.patrol);
    EXPECT_FALSE(drive.members[1].temperature.has_value());
    EXPECT_TRUE(drive.members[0].spare);
    EXPECT_EQ("12345", drive.serial);
    EXPECT_EQ((std::vector<std::uint8_t>{0xE1, 0xE2}), drive.faults.brokenFrames);
    ASSERT_EQ(1u, drive.pageOverrides.count(0xE8));
    EXPECT_EQ(0xC2, drive.pageOverrides.at(0xE8)[0]);

    setFields(file, {{"overrides.E8", "null"}});
    EXPECT_TRUE(readDrive(file).pageOverrides.empty());
}

TEST_F(SimDriveStore, RefusedChangesLeaveTheFileAsItWas) {
    createController(file, "ZDA-JW100");
    setFields(file, {{"raid.status", "1"}});
    const std::string before = fileText(file);
    const std::vector<std::vector<std::pair<std::string, std::string>>> refused = {
        {{"raid.status", "2"}, {"raid.status", "16"}},  // the good first change goes too
        {{"raid.sttaus", "2"}},
        {{"members.2.present", "false"}},
        {{"members.0.otherStatusBits", "0x04"}, {"members.0.otherExtraBits", "0x04"}},
        {{"raid.patrol", "paused"}},
        {{"model", "Not A Controller"}},
        {{"faults.brokenFrames", "F4"}},
        {{"overrides.identify", "XYZ"}},
        {{"raid", "1"}},
    };
    for (const auto& assignments : refused) {
        EXPECT_THROW(setFields(file, assignments), SimulatorError) << assignments.front().first;
        EXPECT_EQ(before, fileText(file));
    }
    EXPECT_THROW(pullMember(file, 2), SimulatorError);
}

TEST_F(SimDriveStore, PullAndInsertKeepTheMembersIdentity) {
    createController(file, "Lumavex ZDA-RS482");
    setFields(file, {{"members.1.serial", "KEEPME"}, {"members.1.rebuilding", "true"}});
    pullMember(file, 1);
    auto drive = testing::openDrive(file);
    const auto absent = testing::readPageDirect(*drive, pages::kDriveInfoPage);
    EXPECT_EQ(0, absent[pages::kDriveBlockStart + pages::kDriveBlockSize + pages::kBlockSerial]);
    EXPECT_FALSE(readDrive(file).members[1].rebuilding);

    insertMember(file, 1);
    const auto back = testing::readPageDirect(*drive, pages::kDriveInfoPage);
    EXPECT_EQ('K', back[pages::kDriveBlockStart + pages::kDriveBlockSize + pages::kBlockSerial]);
}

TEST_F(SimDriveStore, RemoveTakesLogAndFirmwareAlong) {
    createController(file, "ZDA-JW100");
    auto drive = testing::openDrive(file);
    testing::Sector block{};
    ASSERT_TRUE(testing::sendDirect(*drive, testing::microcodeBlock(), block.data()).ok);
    removeDrive(file);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(std::filesystem::exists(commandLogPath(file)));
    EXPECT_FALSE(std::filesystem::exists(firmwarePath(file)));
    EXPECT_FALSE(testing::sendDirect(*drive, testing::identifyCommand()).ok);
}

// Each log line carries the UTC time to the millisecond and the process that sent the request.
TEST_F(SimDriveStore, CommandLogLinesCarryTheTimeAndTheProcess) {
    using namespace std::chrono;
    createController(file, "ZDA-JW100");
    auto drive = testing::openDrive(file);
    const auto before = floor<milliseconds>(system_clock::now());
    ASSERT_TRUE(testing::sendDirect(*drive, testing::identifyCommand()).ok);
    const auto after = system_clock::now();
    const auto log = readCommandLog(file);
    ASSERT_EQ(1u, log.size());
    const auto entry = nlohmann::json::parse(log[0].line);
    EXPECT_EQ(static_cast<std::int64_t>(platform::currentProcessId()), entry["pid"].get<std::int64_t>());

    const std::string time = entry["time"].get<std::string>();
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
    char zone = 0;
    ASSERT_EQ(8, std::sscanf(time.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3d%c", &year, &month, &day, &hour, &minute,
                             &second, &millisecond, &zone))
        << time;
    EXPECT_EQ('Z', zone);
    EXPECT_EQ(24u, time.size()) << time;
    const sys_days date = year_month_day(std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                                         std::chrono::day(static_cast<unsigned>(day)));
    const auto stamped = date + hours(hour) + minutes(minute) + seconds(second) + milliseconds(millisecond);
    EXPECT_LE(before, stamped) << time;
    EXPECT_LE(stamped, after) << time;
}

TEST_F(SimDriveStore, ADriveWhoseLockCannotBeOpenedIsRefusedWithTheReason) {
    const auto missing = root.path() / "missing" / "PHYSICALDRIVE0";
    try {
        clearCommandLog(missing);
        FAIL() << "locked a drive in a missing folder";
    } catch (const SimulatorError& error) {
        const std::string expected = "cannot open the lock file " + lockFilePath(missing).string() + ": ";
        EXPECT_EQ(0u, std::string(error.what()).find(expected)) << error.what();
        EXPECT_GT(std::string(error.what()).size(), expected.size()) << error.what();
    }
}

// Two threads of one process, each with its own handle, as the service's polling and pipe
// threads have: the drive's lock separates them as it separates processes.
TEST_F(SimDriveStore, ConcurrentCommandsFromTwoThreadsAreAllKept) {
    createController(file, "ZDA-JW100");
    constexpr int kRounds = 25;
    auto sendControls = [this] {
        auto drive = testing::openDrive(file);
        for (int i = 0; i < kRounds; ++i) {
            const auto sent = testing::sendDirect(*drive, testing::vendorControl(pages::kControlSilenceBuzzer));
            EXPECT_TRUE(sent.ok) << "error " << sent.error;
        }
    };
    std::thread first(sendControls);
    std::thread second(sendControls);
    first.join();
    second.join();
    EXPECT_EQ(static_cast<std::uint32_t>(2 * kRounds), readDrive(file).buzzerSilenced);
}

}  // namespace
}  // namespace simulator
