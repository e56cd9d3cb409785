#include "platform/file_replace.h"

#include "platform/windows/file_checks.h"

namespace platform {

// MoveFileExW with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH puts the new file in the
// old one's place at once; a reader has the old file or the new one open, never a part.
bool replaceFile(const std::filesystem::path& file, std::string_view bytes) {
    const auto folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    return win32::replaceInFolder(folder, file.filename().wstring(), bytes);
}

}  // namespace platform
