#include "platform/system_root.h"

#include <cstdlib>
#include <system_error>

namespace platform {

// The platform's part that hands the absolute root on to the environment before main.
void makeSystemRootAbsoluteInEnvironment();

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
    // Folders made here are writable by their owner alone, whatever the umask: a folder that
    // others may write would let them plant files where the service reads and writes.
    std::filesystem::path made;
    for (const auto& part : directory) {
        made /= part;
        std::error_code error;
        if (std::filesystem::create_directory(made, error)) {
            std::filesystem::permissions(made, std::filesystem::perms(0755), std::filesystem::perm_options::replace, error);
        }
    }
    return directory;
}

}  // namespace platform
