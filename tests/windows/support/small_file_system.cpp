// Windows has no file system a test process can mount for itself: the tests that fill one up
// or make it read-only are skipped (runWithSmallFileSystem gives no exit code).

#include "tests/support/small_file_system.h"

namespace lmx::testing {

std::optional<int> runWithSmallFileSystem(const std::filesystem::path&, std::size_t, const std::function<int()>&) {
    return std::nullopt;
}

std::filesystem::path fillUp(const std::filesystem::path& folder) { return folder; }

bool makeReadOnly(const std::filesystem::path&) { return false; }

bool makeWritable(const std::filesystem::path&) { return false; }

}  // namespace lmx::testing
