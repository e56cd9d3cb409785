#pragma once
// The description of one drive file as its user last read it. The file is read afresh on every
// request, as sharing a drive between processes demands, but its JSON is parsed again only when
// its bytes differ from the last reading: a download of thousands of blocks reads the same
// description thousands of times.

#include <filesystem>
#include <optional>
#include <string>

#include "simulator/drive_description.h"

namespace simulator {

class DescriptionCache {
public:
    explicit DescriptionCache(std::filesystem::path driveFile) : driveFile_(std::move(driveFile)) {}

    // The description the file holds now; throws SimulatorError as readDescriptionFile does.
    DriveDescription read();

private:
    std::filesystem::path driveFile_;
    std::string text_;
    std::optional<DriveDescription> description_;
};

}  // namespace simulator
