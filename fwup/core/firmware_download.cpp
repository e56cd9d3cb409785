#include "fwup/core/firmware_download.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <span>
#include <string>

#include "platform/plain_file.h"

namespace fwup {

namespace {

// Reads the whole image into the start of the zeroed working buffer; the byte count, or empty
// when the file is not a readable regular file of 1 byte to 4 MiB, or changed while it was read.
// The tool runs as root: the image is opened as platform::readPlainFile does, never through
// another user's link in a shared folder, and never a FIFO or a device.
std::optional<std::size_t> loadImage(const std::filesystem::path& imagePath, std::uint8_t* buffer) {
    std::memset(buffer, 0, kWorkingBufferSize);
    const auto length = platform::readPlainFile(imagePath, std::span(buffer, kWorkingBufferSize));
    // An empty image would send nothing and report success; it is no firmware.
    if (!length || *length == 0) {
        std::memset(buffer, 0, kWorkingBufferSize);
        return std::nullopt;
    }
    return length;
}

}  // namespace

ResultMessage resultMessage(DownloadResult result) {
    switch (result) {
        case DownloadResult::Success: return {"Update Success.", ResultIcon::Information};
        case DownloadResult::Failure: return {"Update Failure.", ResultIcon::Exclamation};
        case DownloadResult::DeviceOpenError: return {"Device Open Error.", ResultIcon::Exclamation};
        case DownloadResult::InvalidFile: return {"Specified Invalid File.", ResultIcon::Exclamation};
        case DownloadResult::Canceled: return {"Update Canceled.", ResultIcon::Information};
    }
    return {"Update Failure.", ResultIcon::Exclamation};
}

std::string progressText(int block, int blocks) {
    char text[32];
    std::snprintf(text, sizeof text, "%d / %d", block, blocks);
    return text;
}

DownloadResult download_firmware(DriveAccessor& accessor, const std::filesystem::path& imagePath, int targetDrive,
                                 std::atomic<bool>& cancelRequest, DownloadProgress& progress) {
    std::uint8_t* const image = accessor.workingBuffer();
    const auto length = loadImage(imagePath, image);
    if (!length) return DownloadResult::InvalidFile;
    if (!accessor.open_drive(targetDrive)) return DownloadResult::DeviceOpenError;

    const int blocks = static_cast<int>((*length + kBlockSize - 1) / kBlockSize);
    DownloadResult result = DownloadResult::Success;
    bool direct = true;
    for (int block = 1; block <= blocks; ++block) {
        progress.blockStarting(block, blocks);
        const bool last = block == blocks;
        if (last) progress.lastBlockStarting();

        std::uint8_t* data = image + static_cast<std::size_t>(block - 1) * kBlockSize;
        lmx::AtaPassThroughDirect request = downloadMicrocodeRequest(data);
        if (direct) {
            lmx::AtaPassThroughDirect reply;
            if (!accessor.send_ata_direct(request, reply)) {
                // The direct route failed once: this block and every later one go through SAT.
                direct = false;
                request = downloadMicrocodeRequest(data);
            }
        }
        if (!direct && !accessor.send_ata_sat(request, data)) {
            result = DownloadResult::Failure;
            break;
        }
        // A cancel pressed while the last block was under way comes too late: every block has
        // been accepted.
        if (!last && cancelRequest.exchange(false)) {
            result = DownloadResult::Canceled;
            break;
        }
    }
    accessor.close_drive();
    return result;
}

}  // namespace fwup
