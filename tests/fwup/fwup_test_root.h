#pragma once
// A fresh system root for the firmware tool's tests, with simulated drives on the numbers a test
// asks for, image files of a given size, and what the drives received.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "fwup/core/firmware_download.h"
#include "simulator/drive_store.h"
#include "simulator/simulated_drive.h"
#include "tests/support/temp_root.h"

namespace fwup::testing {

// An image of `size` bytes whose byte i is (i * 7 + i / 512) mod 251, so that no two blocks
// are alike and a block out of place shows.
std::vector<std::uint8_t> imageBytes(std::size_t size);

class FwupTestRoot : public ::testing::Test {
protected:
    // The tool opens its drives through the platform, which opens a drive file through the
    // simulator once it is registered.
    FwupTestRoot() { simulator::registerSimulatedDrives(); }

    std::filesystem::path drive(int number) const { return simulator::driveFilePath(root.path(), number); }
    void controller(int number, const std::string& model = "Lumavex ZDA-RS481") {
        simulator::createController(drive(number), model);
    }
    void disk(int number, const std::string& model = "LMXSIM ATA DISK") { simulator::createDisk(drive(number), model); }
    void faults(int number, const std::vector<std::pair<std::string, std::string>>& fields) {
        simulator::setFields(drive(number), fields);
    }
    // Writes an image file of `size` bytes and returns its path.
    std::filesystem::path image(std::size_t size, const std::string& name = "image.bin") const;
    // The commands a drive received, of one ATA command ("92", "EC").
    std::vector<simulator::LoggedCommand> commands(int number, const std::string& command) const;
    // A logged command's field that LoggedCommand does not carry (ataFlags, timeout, dataIn).
    static std::uint32_t numberField(const simulator::LoggedCommand& logged, const char* name);

    lmx::testing::TempRoot root;
};

// Records the progress a download shows, and lets a test act before a given block is sent.
class RecordingProgress final : public DownloadProgress {
public:
    void blockStarting(int block, int blocks) override {
        shown.push_back(progressText(block, blocks));
        if (block == actAtBlock && action) action();
    }
    void lastBlockStarting() override { lastBlockAfter = static_cast<int>(shown.size()); }

    std::vector<std::string> shown;
    int lastBlockAfter = -1;  // how many progress texts had been shown when the last block began
    int actAtBlock = -1;
    std::function<void()> action;
};

}  // namespace fwup::testing
