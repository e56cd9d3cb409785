#pragma once
// The download fixture: an accessor on a root with a simulated controller at drive 2, the
// download with its cancel flag and progress, and what the controller received.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "fwup/core/drive_accessor.h"
#include "fwup/core/firmware_download.h"
#include "simulator/drive_files.h"
#include "tests/fwup/fwup_test_root.h"

namespace fwup::testing {

class FirmwareDownload : public FwupTestRoot {
protected:
    void SetUp() override {
        accessor = DriveAccessor::create([this](std::string_view text) { messages.emplace_back(text); });
        ASSERT_TRUE(accessor);
        controller(2);
    }
    DownloadResult download(const std::filesystem::path& file, int target = 2) {
        return download_firmware(*accessor, file, target, cancelRequest, progress);
    }
    // The image as the controller should hold it: padded with zeros to whole blocks.
    static std::vector<std::uint8_t> padded(std::size_t size, std::size_t blocks) {
        auto bytes = imageBytes(size);
        bytes.resize(blocks * kBlockSize, 0);
        return bytes;
    }
    std::vector<std::uint8_t> received() const { return simulator::readFirmware(drive(2)); }
    std::vector<std::string> routes() const {
        std::vector<std::string> found;
        for (const auto& logged : commands(2, "92")) found.push_back(logged.route + ":" + logged.result);
        return found;
    }

    std::unique_ptr<DriveAccessor> accessor;
    std::atomic<bool> cancelRequest{false};
    RecordingProgress progress;
    std::vector<std::string> messages;
};

}  // namespace fwup::testing
