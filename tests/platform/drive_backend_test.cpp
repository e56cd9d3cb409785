// The registration point for drive entries that are files, through the platform's drive open.

#include "platform/drive_backend.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/physical_drive.h"
#include "platform/win_error.h"
#include "tests/support/temp_root.h"

namespace platform {
namespace {

// A backend that answers every request with the code it was asked, so a test sees where a
// request went.
class EchoBackend final : public DriveBackend {
public:
    bool ioControl(std::uint32_t code, const void*, std::uint32_t, void*, std::uint32_t, std::uint32_t& bytesReturned,
                   std::uint32_t&) override {
        bytesReturned = code;
        return true;
    }
};

std::filesystem::path gOpenedFile;

std::unique_ptr<DriveBackend> openEcho(const std::filesystem::path& file, std::uint32_t& error) {
    gOpenedFile = file;
    error = 0;
    return std::make_unique<EchoBackend>();
}

std::unique_ptr<DriveBackend> refuse(const std::filesystem::path&, std::uint32_t& error) {
    error = kErrorInvalidData;
    return nullptr;
}

class DriveBackendTest : public ::testing::Test {
protected:
    DriveBackendTest() {
        std::filesystem::create_directories(driveEntryPath(1).parent_path());
        std::ofstream(driveEntryPath(1)) << "{}";
    }
    ~DriveBackendTest() override { registerFileDriveOpener(nullptr); }

    lmx::testing::TempRoot root;
};

TEST_F(DriveBackendTest, AFileEntryIsNoDriveWithoutARegisteredOpener) {
    registerFileDriveOpener(nullptr);
    setLastError(0);
    EXPECT_FALSE(DriveHandle::open("\\\\.\\PHYSICALDRIVE1"));
    EXPECT_EQ(kErrorFileNotFound, lastError());
}

TEST_F(DriveBackendTest, TheRegisteredOpenerOpensFileEntriesAndTakesTheirRequests) {
    registerFileDriveOpener(&openEcho);
    auto drive = DriveHandle::open("\\\\.\\PHYSICALDRIVE1");
    ASSERT_TRUE(drive);
    EXPECT_EQ(driveEntryPath(1), gOpenedFile);
    std::uint32_t returned = 0;
    EXPECT_TRUE(drive->ioControl(0x4D004, nullptr, 0, nullptr, 0, &returned));
    EXPECT_EQ(0x4D004u, returned);

    // Drives without an entry are not the opener's business.
    gOpenedFile.clear();
    EXPECT_FALSE(DriveHandle::open("\\\\.\\PHYSICALDRIVE2"));
    EXPECT_EQ(kErrorFileNotFound, lastError());
    EXPECT_TRUE(gOpenedFile.empty());
}

TEST_F(DriveBackendTest, TheOpenersErrorBecomesTheLastError) {
    registerFileDriveOpener(&refuse);
    EXPECT_FALSE(DriveHandle::open("\\\\.\\PHYSICALDRIVE1"));
    EXPECT_EQ(kErrorInvalidData, lastError());
}

}  // namespace
}  // namespace platform
