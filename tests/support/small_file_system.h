#pragma once
// A file system of a few hundred kilobytes for one test, to fill up or make read-only: a
// tmpfs mounted in a mount namespace of a child process, so nothing outside the child sees it.
// Needs the right to mount (root); tests skip without it.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>

namespace lmx::testing {

// Runs `body` in a child process with a fresh tmpfs of `bytes` mounted at `folder` (which
// must exist) and returns its exit code; empty when the child could not mount it.
std::optional<int> runWithSmallFileSystem(const std::filesystem::path& folder, std::size_t bytes,
                                          const std::function<int()>& body);

// In such a child: fills the file system with one file (returned) until no byte is left.
std::filesystem::path fillUp(const std::filesystem::path& folder);
// In such a child: makes the file system at `folder` read-only; false when it cannot.
bool makeReadOnly(const std::filesystem::path& folder);
// In such a child: makes it writable again.
bool makeWritable(const std::filesystem::path& folder);

}  // namespace lmx::testing
