#pragma once
// The service's registry key as the service last read or wrote it: its settings, its records
// and the values that make it an installed service. When the registry is started afresh under
// the running service (its file deleted, or replaced with something that is not a registry),
// the service writes the key back, so that it is still installed, with its settings, when it
// starts again, and says so in the event log. A key removed from the registry the service
// read (`dwsvc delete`) is left removed.

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace dwsvc {

class RegistryKeeper {
public:
    // Reads the whole key; until then the keeper keeps nothing (the command line's processes).
    void capture();
    // A value the service wrote under `keyPath` (its key or one of its subkeys).
    void remember(std::string_view keyPath, std::string_view name, const platform::registry::Value& value);
    // Writes the key back when the registry was started afresh and the key is gone, and reads
    // it again when it is there. True when it wrote it back.
    bool restoreIfLost();

private:
    bool installedLocked() const;
    void captureLocked(std::uint64_t instance);
    bool writeBackLocked();

    std::mutex lock_;
    bool captured_ = false;
    std::optional<std::uint64_t> instance_;
    // Values by key path (the key and its subkeys) and name.
    std::map<std::string, std::map<std::string, platform::registry::Value>> values_;
};

// The keeper of the running service's key.
RegistryKeeper& registryKeeper();

// restoreIfLost, and an event-log entry in `language` when the key was written back.
void restoreServiceKeyIfLost(std::uint32_t language);

}  // namespace dwsvc
