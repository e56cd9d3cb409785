#pragma once
// Replacing a whole file at once, so that a reader (a metrics collector) sees the old contents
// or the new, never a part: the bytes go to a temporary file beside it, which is renamed over it.

#include <filesystem>
#include <string_view>

namespace platform {

// Writes `bytes` as `file` (mode 0644). The temporary file's name is the file's name with a
// random suffix, so that a collector reading only "*.prom" never takes it. False with the
// platform's error code when it could not (3 a missing folder, 5 not allowed, 112 disk full);
// the old file then stays as it was and no temporary file is left.
bool replaceFile(const std::filesystem::path& file, std::string_view bytes);

}  // namespace platform
