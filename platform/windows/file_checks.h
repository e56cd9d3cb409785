#pragma once
// What the file interfaces check through an open handle, so that what is judged is the object
// that will be read or written and not whatever the path names a moment later. Paths are opened
// with FILE_FLAG_OPEN_REPARSE_POINT: a symbolic link or junction is then opened itself, and
// refused here, instead of being followed.

#include <windows.h>

#include <filesystem>
#include <string>

namespace platform::win32 {

// A file on a disk (not a pipe, a console or a device), neither a folder nor a reparse point.
// With `singleName`, also one that has no second name (hard link).
bool isPlainFile(HANDLE file, bool singleName = false);

// The access rights of a file that only its owner, the system and administrators may open: for
// lock files and logs that no other user may hold or read. `restrictToOwner` gives an open file
// that DACL (the handle needs WRITE_DAC).
SECURITY_ATTRIBUTES* ownerOnlyAttributes();
bool restrictToOwner(HANDLE file);

// A name beside `name` that no other file has: `name` with a random suffix.
std::wstring temporaryNameFor(const std::wstring& name);

// Writes all of `bytes` to `file`; false with the system's error left in GetLastError.
bool writeAll(HANDLE file, const void* bytes, std::size_t size);

// The whole replacement of `folder`\`name`: a temporary file beside it, flushed, and moved over
// the name with MoveFileExW (a link at the name is replaced, never written through). False with
// the platform's last error set; no temporary file is left.
bool replaceInFolder(const std::filesystem::path& folder, const std::wstring& name, std::string_view bytes);

}  // namespace platform::win32
