#include "platform/drive_backend.h"

#include <atomic>

#include "platform/win_error.h"

namespace platform {

namespace {
std::atomic<FileDriveOpener> gFileDriveOpener{nullptr};
}  // namespace

void registerFileDriveOpener(FileDriveOpener opener) { gFileDriveOpener.store(opener); }

std::unique_ptr<DriveBackend> openFileDrive(const std::filesystem::path& file, std::uint32_t& error) {
    const FileDriveOpener opener = gFileDriveOpener.load();
    if (!opener) {
        error = kErrorFileNotFound;
        return nullptr;
    }
    return opener(file, error);
}

}  // namespace platform
