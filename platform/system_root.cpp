#include "platform/system_root.h"

#include <cstdlib>
#include <system_error>

namespace platform {

// The platform's part that hands the absolute root on to the environment before main.
void makeSystemRootAbsoluteInEnvironment();
// The platform's part that makes one missing folder of the root's path, with access rights that
// let no other user write in it; nothing when it exists or cannot be made.
void makeRootFolder(const std::filesystem::path& folder);

std::filesystem::path absoluteRoot(const char* configured) {
    std::filesystem::path root(configured);
    if (root.is_absolute()) return root;
    std::error_code error;
    const auto base = std::filesystem::current_path(error);
    return error ? root : (base / root).lexically_normal();
}

std::filesystem::path systemRoot() {
    makeSystemRootAbsoluteInEnvironment();
    const char* configured = std::getenv(kSystemRootVariable);
    return (configured && *configured) ? absoluteRoot(configured) : std::filesystem::path(defaultSystemRoot());
}

bool isDefaultSystemRoot() {
    std::error_code error;
    const auto root = std::filesystem::weakly_canonical(systemRoot(), error);
    return !error && root == std::filesystem::path(defaultSystemRoot());
}

std::filesystem::path systemRootDirectory(const std::filesystem::path& relative) {
    auto directory = relative.empty() ? systemRoot() : systemRoot() / relative;
    std::filesystem::path made;
    for (const auto& part : directory) {
        made /= part;
        makeRootFolder(made);
    }
    return directory;
}

}  // namespace platform
