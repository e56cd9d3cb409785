#include "platform/system_root.h"
#include "platform/trusted_folder.h"

namespace platform {

std::string systemRootRefusal() {
    const auto root = systemRoot();
    const std::string reason = untrustedFolderReason(root);
    if (reason.empty()) return {};
    return "The system root " + root.string() + " is refused: " + reason +
           ". It and the folders above it must belong to root (or to the service's user) and be "
           "writable by their owner alone.";
}

}  // namespace platform
