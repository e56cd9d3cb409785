// Downloads from files a hostile user could place or change under the tool, which runs as root:
// planted links, an image swapped for a FIFO, and the mode of what the drive received.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "tests/fwup/firmware_download_fixture.h"
#include "tests/support/other_user.h"

namespace fwup {
namespace {

using testing::FirmwareDownload;

// The tool runs as root: a link that another user put in a folder everybody may write (like
// /tmp) is not followed, as the kernel's protected_symlinks would not; root's own link is.
TEST_F(FirmwareDownload, AnotherUsersLinkInASharedFolderIsNotFollowed) {
    if (!lmx::testing::canActAsOtherUser()) GTEST_SKIP() << "acting as another user needs root";
    const auto secret = image(600, "secret.bin");
    std::filesystem::permissions(secret, std::filesystem::perms(0600));
    const auto shared = root.path() / "shared";
    std::filesystem::create_directory(shared);
    std::filesystem::permissions(shared, std::filesystem::perms(01777));
    lmx::testing::openToOtherUsers(shared);
    const auto planted = shared / "link";
    ASSERT_EQ(0, lmx::testing::runAsOtherUser([&] { return ::symlink(secret.c_str(), planted.c_str()) == 0 ? 0 : 1; }));
    EXPECT_EQ(download(planted), DownloadResult::InvalidFile);
    EXPECT_TRUE(received().empty());
    std::filesystem::create_symlink(secret, shared / "own");
    EXPECT_EQ(download(shared / "own"), DownloadResult::Success);
}

// The image swapped back and forth between a file and a FIFO while downloads run: no download
// waits on the FIFO (the child that runs them would be ended by its alarm).
TEST_F(FirmwareDownload, AnImageSwappedForAFifoNeverHoldsTheTool) {
    const auto name = root.path() / "swapped.bin";
    const auto file = image(512, "file.bin");
    const auto fifo = root.path() / "fifo";
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(60);
        std::atomic<bool> stop{false};
        std::thread swapper([&] {
            const auto spare = root.path() / "spare";
            for (bool toFifo = false; !stop; toFifo = !toFifo) {
                ::unlink(spare.c_str());
                if (::link((toFifo ? fifo : file).c_str(), spare.c_str()) == 0) ::rename(spare.c_str(), name.c_str());
            }
        });
        for (int i = 0; i < 2000; ++i) download(name);
        stop = true;
        swapper.join();
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a download waited on the FIFO";
}

// What a drive received is readable by no more users than the drive file itself.
TEST_F(FirmwareDownload, TheReceivedFirmwareKeepsTheModeOfTheDriveFile) {
    std::filesystem::permissions(drive(2), std::filesystem::perms(0600));
    ASSERT_EQ(download(image(600)), DownloadResult::Success);
    EXPECT_EQ(std::filesystem::perms(0600), std::filesystem::status(simulator::firmwarePath(drive(2))).permissions());
}

}  // namespace
}  // namespace fwup
