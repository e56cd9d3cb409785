#include "platform/windows/registry_location.h"

#include "platform/windows/root_scope.h"

namespace platform::win32 {

RegistryLocation machineRegistryRoot() {
    const std::string rootKey = registryRootKey();
    if (rootKey.empty()) return {HKEY_LOCAL_MACHINE, {}};
    return {HKEY_CURRENT_USER, rootKey + "\\"};
}

}  // namespace platform::win32
