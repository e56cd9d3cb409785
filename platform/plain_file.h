#pragma once
// Reading a whole file that a user named to a program that may run as root (a firmware image):
// the program must neither read through another user's link into a file of root's nor wait on
// a FIFO or a device put where the file was.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace platform {

// Reads the regular file at `file` whole into `buffer`; the byte count. Refused (5): a final link
// the kernel's protected_symlinks rule would not follow (a link in a sticky folder that others
// may write, owned by neither the caller nor the folder's owner), and anything but a regular
// file, which is looked at without following a refused link and opened without waiting, then
// checked again through the open descriptor. A file larger than `buffer`, or one that changed
// size while it was read, is 13; a missing one 2 or 3.
std::optional<std::size_t> readPlainFile(const std::filesystem::path& file, std::span<std::uint8_t> buffer);

}  // namespace platform
