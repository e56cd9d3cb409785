// lmxsim as a user runs it, in a temporary system root.

#include <gtest/gtest.h>

#include <fstream>

#include "simulator/drive_store.h"
#include "tests/simulator/simulator_requests.h"
#include "tests/support/temp_root.h"

namespace simulator {
namespace {

namespace pages = lmx::pages;

class Lmxsim : public ::testing::Test {
protected:
    // Runs lmxsim with the arguments (shell-quoted by the caller); returns its standard output.
    std::string run(const std::string& arguments, int expectedExit = 0) {
        const std::string program = (lmx::testing::programsFolder() / "lmxsim").string();
        int exitCode = -1;
        const std::string output = lmx::testing::captureOutput(program + " " + arguments + " 2>&1", &exitCode);
        EXPECT_EQ(expectedExit, exitCode) << arguments << "\n" << output;
        return output;
    }

    lmx::testing::TempRoot root;
    std::filesystem::path file = driveFilePath(root.path(), 2);
};

TEST_F(Lmxsim, ControllerLifeFromCreationToRemoval) {
    run("create 2 controller \"Lumavex ZDAP-RS482\"");
    run("set 2 raid.status=2 raid.rebuildProgress=128");
    run("pull 2 1");
    run("set 2 members.0.temperature=61");
    DriveDescription drive = readDrive(file);
    EXPECT_EQ(2, drive.raid.status);
    EXPECT_EQ(128, drive.raid.rebuildProgress);
    EXPECT_FALSE(drive.members[1].present);
    EXPECT_EQ(61, drive.members[0].temperature);

    const std::string listing = run("list");
    EXPECT_NE(std::string::npos, listing.find("drive 2: controller \"Lumavex ZDAP-RS482\"")) << listing;
    EXPECT_NE(std::string::npos, listing.find("1:empty")) << listing;
    EXPECT_NE(std::string::npos, run("show 2").find("\"rebuildProgress\": 128"));

    run("remove 2");
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_NE(std::string::npos, run("list").find("no drives"));
}

TEST_F(Lmxsim, BadInputIsRefusedWithoutTouchingTheFile) {
    run("create 2 controller ZDA-JW100");
    std::ifstream before(file);
    const std::string original((std::istreambuf_iterator<char>(before)), std::istreambuf_iterator<char>());

    EXPECT_NE(std::string::npos, run("set 2 raid.status=99", 1).find("raid.status"));
    run("set 2 raid.status", 2);
    run("pull 2 7", 1);
    run("frobnicate 2", 2);
    run("create 2 controller \"No Such Model\"", 1);
    run("create x disk", 2);
    run("create 2 disk --members=2", 2);
    run("show 5", 1);

    std::ifstream after(file);
    EXPECT_EQ(original, std::string((std::istreambuf_iterator<char>(after)), std::istreambuf_iterator<char>()));
}

TEST_F(Lmxsim, DisksSilentDrivesFaultsAndPageFiles) {
    run("create 0 disk \"WDC WD40EFRX\" --no-signature");
    run("create 1 silent --answer-after=5");
    run("create 2 controller ZDA-GX460");
    const auto page = root.path() / "page.bin";
    std::ofstream(page, std::ios::binary) << "\xE5\x94";
    run("set 2 faults.rejectDirect=50 faults.failNext=2 overrides.E5=@" + page.string());

    const std::string listing = run("list");
    EXPECT_NE(std::string::npos, listing.find("drive 0: disk \"WDC WD40EFRX\" without signature")) << listing;
    EXPECT_NE(std::string::npos, listing.find("drive 1: silent")) << listing;
    EXPECT_NE(std::string::npos, listing.find("faults set")) << listing;
    const DriveDescription drive = readDrive(file);
    EXPECT_EQ(50u, drive.faults.rejectDirect);
    EXPECT_EQ(0x94, drive.pageOverrides.at(pages::kRaidInfoPage)[1]);
}

TEST_F(Lmxsim, CommandLogAndFirmwareReachTheUser) {
    run("create 2 controller \"Lumavex ZDA-RS481\"");
    auto drive = testing::openDrive(file);
    testing::Sector block{};
    block.fill(0x5A);
    ASSERT_TRUE(testing::sendDirect(*drive, testing::microcodeBlock(), block.data()).ok);
    testing::readPageSat(*drive, pages::kRaidInfoPage);

    const std::string log = run("log 2");
    EXPECT_EQ(2, std::count(log.begin(), log.end(), '\n'));
    EXPECT_NE(std::string::npos, log.find("\"firmware block\""));

    const auto received = root.path() / "received.bin";
    run("firmware 2 " + received.string());
    std::ifstream in(received, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(std::string(512, '\x5A'), bytes);

    run("firmware 2 --clear");
    EXPECT_NE(std::string::npos, run("firmware 2").find("0 bytes"));
    run("log 2 --clear");
    EXPECT_EQ("", run("log 2"));
}

TEST_F(Lmxsim, HelpListsEveryCommand) {
    const std::string help = run("--help");
    for (const char* command : {"create", "set", "pull", "insert", "show", "list", "log", "firmware", "remove"}) {
        EXPECT_NE(std::string::npos, help.find(std::string("  ") + command)) << command;
    }
}

}  // namespace
}  // namespace simulator
