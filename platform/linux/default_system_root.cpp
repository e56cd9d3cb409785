#include "platform/system_root.h"

#include <system_error>

namespace platform {

// The state folder of a Linux system's packages.
const char* defaultSystemRoot() { return "/var/lib/lmxduowatch"; }

// Folders made for the root are writable by their owner alone, whatever the umask: a folder that
// others may write would let them plant files where the service reads and writes.
void makeRootFolder(const std::filesystem::path& folder) {
    std::error_code error;
    if (std::filesystem::create_directory(folder, error)) {
        std::filesystem::permissions(folder, std::filesystem::perms(0755), std::filesystem::perm_options::replace, error);
    }
}

}  // namespace platform
