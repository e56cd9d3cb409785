#include "platform/system_root.h"

#include <cstdlib>
#include <system_error>

namespace platform {

std::filesystem::path systemRoot() {
    const char* configured = std::getenv("LMXDUOWATCH_ROOT");
    return (configured && *configured) ? std::filesystem::path(configured) : std::filesystem::path(kDefaultSystemRoot);
}

bool isDefaultSystemRoot() {
    std::error_code error;
    const auto root = std::filesystem::weakly_canonical(systemRoot(), error);
    return !error && root == std::filesystem::path(kDefaultSystemRoot);
}

std::filesystem::path systemRootDirectory(const std::filesystem::path& relative) {
    auto directory = relative.empty() ? systemRoot() : systemRoot() / relative;
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    return directory;
}

}  // namespace platform
