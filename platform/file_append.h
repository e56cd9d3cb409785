#pragma once
// Appending to a log file that the program keeps beside itself (CreateFileA with OPEN_ALWAYS,
// SetFilePointer to the end, WriteFile). The service runs as root: a link planted at the
// path, or anything but a plain file of the caller's own, is refused rather than written
// through, so that nobody can make it append to a file of their choosing.

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace platform {

// Creates the file (with `mode`, 0644 unless given) when missing and appends `bytes` at its end;
// a file that grants more than `mode` is narrowed to it first, so that what is appended is
// never readable by more users than `mode` lets. False with the platform's error code when it
// could not: 5 for a link or a file that is not the caller's own plain file, 112 disk full, 3 a
// missing folder.
bool appendToFile(const std::filesystem::path& file, std::string_view bytes,
                  std::filesystem::perms mode = std::filesystem::perms(0644));

}  // namespace platform
