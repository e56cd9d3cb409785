#pragma once
// The firmware download: the image file checked and read into the working buffer, then sent to
// the target drive as DOWNLOAD MICROCODE commands of one 512-byte block each, in file order,
// direct until the direct route fails once and through SAT from then on.

#include <atomic>
#include <filesystem>
#include <string>
#include <string_view>

#include "fwup/core/drive_accessor.h"

namespace fwup {

enum class DownloadResult : int {
    Success = 1,          // every block was accepted
    Failure = 2,          // a block failed on the SAT route
    DeviceOpenError = 3,  // the target drive did not open
    InvalidFile = 4,      // the image is missing, unreadable, empty or larger than 4 MiB
    Canceled = 5,         // the user cancelled after a completed block
};

enum class ResultIcon { Information, Exclamation };

struct ResultMessage {
    std::string_view text;
    ResultIcon icon;
};

// "Update Success." … "Update Canceled." with the icon they are shown with.
ResultMessage resultMessage(DownloadResult result);

// What the download shows while it runs. Called on the downloading thread.
class DownloadProgress {
public:
    virtual ~DownloadProgress() = default;
    // Before block `block` (1-based) of `blocks` is sent.
    virtual void blockStarting(int block, int blocks) = 0;
    // Before the last block is sent: from now on a cancel is no longer possible.
    virtual void lastBlockStarting() = 0;
};

// "%d / %d": the block being sent and the number of blocks.
std::string progressText(int block, int blocks);

// Sends the image at `imagePath` to drive `targetDrive`. A cancel request seen after a completed
// block other than the last is cleared and ends the download with Canceled; the block in flight
// always completes, and nothing is sent after a failure or a cancel.
DownloadResult download_firmware(DriveAccessor& accessor, const std::filesystem::path& imagePath, int targetDrive,
                                 std::atomic<bool>& cancelRequest, DownloadProgress& progress);

}  // namespace fwup
