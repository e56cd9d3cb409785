#include "simulator/description_cache.h"

#include "simulator/drive_files.h"

namespace simulator {

DriveDescription DescriptionCache::read() {
    std::string text = readDescriptionText(driveFile_);
    if (!description_ || text != text_) {
        // Forget the old reading first, so that a file that fails to parse is never served from it.
        description_.reset();
        DriveDescription parsed = parseDescription(text, driveFile_);
        text_ = std::move(text);
        description_ = std::move(parsed);
    }
    return *description_;
}

}  // namespace simulator
