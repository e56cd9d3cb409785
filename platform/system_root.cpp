#include "platform/system_root.h"

#include <cstdlib>
#include <system_error>

namespace platform {

namespace {

constexpr const char* kRootVariable = "LMXDUOWATCH_ROOT";

// A relative root names a different folder from every working folder: it is made absolute
// against the folder the program was started in.
std::filesystem::path absoluteRoot(const char* configured) {
    std::filesystem::path root(configured);
    if (root.is_absolute()) return root;
    std::error_code error;
    const auto base = std::filesystem::current_path(error);
    return error ? root : (base / root).lexically_normal();
}

// Before main, while the program has no other thread: a relative root in the environment is
// replaced by its absolute path, so that every program this one starts (the service, the
// notifier, helpers started from another folder) means the same folder.
[[maybe_unused]] const bool gRootMadeAbsolute = [] {
    const char* configured = std::getenv(kRootVariable);
    if (!configured || !*configured || std::filesystem::path(configured).is_absolute()) return false;
    const auto root = absoluteRoot(configured);
    return ::setenv(kRootVariable, root.c_str(), 1) == 0;
}();

}  // namespace

std::filesystem::path systemRoot() {
    const char* configured = std::getenv(kRootVariable);
    return (configured && *configured) ? absoluteRoot(configured) : std::filesystem::path(kDefaultSystemRoot);
}

bool isDefaultSystemRoot() {
    std::error_code error;
    const auto root = std::filesystem::weakly_canonical(systemRoot(), error);
    return !error && root == std::filesystem::path(kDefaultSystemRoot);
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
