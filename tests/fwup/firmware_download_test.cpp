// Downloads to simulated controllers, checked against what the controller received and the
// commands it logged.

#include <gtest/gtest.h>

#include "tests/fwup/firmware_download_fixture.h"

namespace fwup {
namespace {

using testing::FirmwareDownload;

constexpr char kDownloadTaskFile[] = "07 01 00 00 00 E0 92 00";
constexpr char kDownloadCdb[] = "85 0A 06 00 07 00 01 00 00 00 00 00 00 E0 92 00";

TEST_F(FirmwareDownload, APartialLastBlockGoesOutPaddedWithZeros) {
    EXPECT_EQ(download(image(1000)), DownloadResult::Success);
    EXPECT_EQ(received(), padded(1000, 2));
    EXPECT_EQ(progress.shown, (std::vector<std::string>{"1 / 2", "2 / 2"}));
    EXPECT_EQ(progress.lastBlockAfter, 2);  // the cancel was given up once the last block's number showed

    const auto sent = commands(2, "92");
    ASSERT_EQ(sent.size(), 2u);
    for (const auto& logged : sent) {
        EXPECT_EQ(logged.route, "direct");
        EXPECT_EQ(logged.taskFile, kDownloadTaskFile);
        EXPECT_EQ(logged.previousTaskFile, "00 00 00 00 00 00 00 00");
        EXPECT_EQ(logged.dataLength, 512u);
        EXPECT_EQ(numberField(logged, "ataFlags"), 4u);
        EXPECT_EQ(numberField(logged, "timeout"), 120u);
        EXPECT_EQ(logged.result, "ok");
    }
    EXPECT_FALSE(accessor->isOpen());
    EXPECT_TRUE(messages.empty());
}

TEST_F(FirmwareDownload, FourMebibytesAreTheLargestImage) {
    constexpr std::size_t kLargest = 4 * 1024 * 1024;
    EXPECT_EQ(download(image(kLargest)), DownloadResult::Success);
    EXPECT_EQ(commands(2, "92").size(), 8192u);
    EXPECT_EQ(received(), padded(kLargest, 8192));
    EXPECT_EQ(progress.shown.back(), "8192 / 8192");

    simulator::clearCommandLog(drive(2));
    simulator::clearFirmware(drive(2));
    progress.shown.clear();
    EXPECT_EQ(download(image(kLargest + 1, "larger.bin")), DownloadResult::InvalidFile);
    EXPECT_TRUE(simulator::readCommandLog(drive(2)).empty());
    EXPECT_TRUE(progress.shown.empty());
}

TEST_F(FirmwareDownload, AnythingButAReadableNonEmptyFileIsAnInvalidFileAndTheDriveIsNotOpened) {
    const std::filesystem::path empty = image(0, "empty.bin");
    EXPECT_EQ(download(empty), DownloadResult::InvalidFile);
    EXPECT_EQ(download("C:\\"), DownloadResult::InvalidFile);
    EXPECT_EQ(download(root.path() / "missing.bin"), DownloadResult::InvalidFile);
    EXPECT_EQ(download(root.path()), DownloadResult::InvalidFile);
    EXPECT_EQ(download("\"" + image(600).string() + "\""), DownloadResult::InvalidFile);  // quotes are kept
    EXPECT_TRUE(simulator::readCommandLog(drive(2)).empty());
    EXPECT_TRUE(received().empty());
}

TEST_F(FirmwareDownload, ATargetThatDoesNotOpenIsADeviceOpenError) {
    EXPECT_EQ(download(image(1000), 5), DownloadResult::DeviceOpenError);
    EXPECT_TRUE(progress.shown.empty());
}

TEST_F(FirmwareDownload, AFailedDirectBlockIsSentAgainThroughSatAndTheRestFollowsThatRoute) {
    progress.actAtBlock = 5;
    progress.action = [this] { faults(2, {{"faults.rejectDirect", "50"}}); };
    EXPECT_EQ(download(image(10 * kBlockSize)), DownloadResult::Success);
    EXPECT_EQ(received(), padded(10 * kBlockSize, 10));
    EXPECT_EQ(routes(), (std::vector<std::string>{"direct:ok", "direct:ok", "direct:ok", "direct:ok",
                                                  "direct:rejected", "sat:ok", "sat:ok", "sat:ok", "sat:ok",
                                                  "sat:ok", "sat:ok"}));
    for (const auto& logged : commands(2, "92")) {
        if (logged.route != "sat") continue;
        EXPECT_EQ(logged.cdb, kDownloadCdb);
        EXPECT_EQ(logged.dataLength, 512u);
        EXPECT_EQ(numberField(logged, "dataIn"), 0u);
        EXPECT_EQ(numberField(logged, "timeout"), 120u);
    }
}

TEST_F(FirmwareDownload, ADirectRouteAnsweringWithErrGoesOverToSatAsWell) {
    faults(2, {{"faults.directErrBit", "true"}});
    EXPECT_EQ(download(image(3 * kBlockSize)), DownloadResult::Success);
    EXPECT_EQ(routes(), (std::vector<std::string>{"direct:error-bit", "sat:ok", "sat:ok", "sat:ok"}));
    EXPECT_EQ(received(), padded(3 * kBlockSize, 3));
}

TEST_F(FirmwareDownload, ABlockThatFailsOnSatEndsTheDownloadAndNothingFollows) {
    progress.actAtBlock = 3;
    progress.action = [this] { faults(2, {{"faults.failNext", "2"}}); };  // direct, then SAT
    EXPECT_EQ(download(image(6 * kBlockSize)), DownloadResult::Failure);
    EXPECT_EQ(routes(), (std::vector<std::string>{"direct:ok", "direct:ok", "direct:failed", "sat:failed"}));
    EXPECT_EQ(received(), padded(2 * kBlockSize, 2));
    EXPECT_FALSE(accessor->isOpen());
}

TEST_F(FirmwareDownload, ACancelActsWhenTheBlockInFlightIsDoneAndIsCleared) {
    progress.actAtBlock = 3;
    progress.action = [this] { cancelRequest = true; };
    EXPECT_EQ(download(image(10 * kBlockSize)), DownloadResult::Canceled);
    EXPECT_FALSE(cancelRequest);
    EXPECT_EQ(commands(2, "92").size(), 3u);
    EXPECT_EQ(received(), padded(3 * kBlockSize, 3));
    EXPECT_EQ(progress.lastBlockAfter, -1);  // the last block never began
}

TEST_F(FirmwareDownload, TheLastBlockCannotBeCancelled) {
    progress.actAtBlock = 1;
    progress.action = [this] { cancelRequest = true; };
    EXPECT_EQ(download(image(100)), DownloadResult::Success);
    EXPECT_EQ(progress.lastBlockAfter, 1);  // before the only block went out
    EXPECT_EQ(received(), padded(100, 1));

    // Pressed while the last of several blocks was in flight: every block was accepted.
    simulator::clearFirmware(drive(2));
    testing::RecordingProgress later;
    later.actAtBlock = 4;
    later.action = [this] { cancelRequest = true; };
    cancelRequest = false;
    EXPECT_EQ(download_firmware(*accessor, image(4 * kBlockSize), 2, cancelRequest, later), DownloadResult::Success);
    EXPECT_EQ(received(), padded(4 * kBlockSize, 4));
}

}  // namespace
}  // namespace fwup
