#include "service/monitor/registry_keeper.h"

#include <vector>

#include "common/service_key.h"
#include "platform/win_error.h"
#include "platform/event_log.h"
#include "platform/service_manager.h"
#include "service/monitor/event_ids.h"
#include "service/monitor/event_writer.h"

namespace dwsvc {

namespace {

using platform::registry::Key;

// The key's values and those of every subkey below it.
void readTree(const std::string& path, std::map<std::string, std::map<std::string, platform::registry::Value>>& into) {
    Key key;
    if (Key::open(path, platform::registry::kKeyRead, key) != platform::kErrorSuccess) return;
    auto& values = into[path];
    for (const auto& name : key.valueNames()) {
        platform::registry::Value value;
        if (key.query(name, value) == platform::kErrorSuccess) values[name] = std::move(value);
    }
    for (const auto& sub : key.subKeyNames()) readTree(path + "\\" + sub, into);
}

}  // namespace

void RegistryKeeper::capture() {
    std::lock_guard lock(lock_);
    if (const auto instance = platform::registry::instanceId()) captureLocked(*instance);
    captured_ = true;
}

void RegistryKeeper::remember(std::string_view keyPath, std::string_view name, const platform::registry::Value& value) {
    std::lock_guard lock(lock_);
    if (captured_) values_[std::string(keyPath)][std::string(name)] = value;
}

bool RegistryKeeper::restoreIfLost() {
    std::lock_guard lock(lock_);
    if (!captured_ || values_.empty()) return false;
    // The registry's id first: looking at it is what finds a file replaced under the service.
    auto instance = platform::registry::instanceId();
    if (!instance) {
        // A damaged registry is started afresh by the first write into it.
        Key services;
        Key::create(platform::kServicesKeyPath, platform::registry::kKeyAllAccess, services);
        instance = platform::registry::instanceId();
    }
    if (!instance) return false;  // not readable yet
    if (installedLocked()) {
        captureLocked(*instance);
        return false;
    }
    // Again: looking for the key may have found the file replaced since.
    instance = platform::registry::instanceId();
    if (!instance) return false;
    if (instance == instance_) {
        // The same registry, readable, without the key: it was removed on purpose (`dwsvc
        // delete`) and stays removed.
        Key services;
        if (Key::open(platform::kServicesKeyPath, platform::registry::kKeyRead, services) == platform::kErrorSuccess) {
            values_.clear();
        }
        return false;
    }
    if (!writeBackLocked()) return false;
    platform::registry::writeThrough();
    instance_ = instance;
    return true;
}

bool RegistryKeeper::installedLocked() const {
    Key key;
    std::uint32_t type = 0;
    return Key::open(lmx::kServiceKeyPath, platform::registry::kKeyRead, key) == platform::kErrorSuccess &&
           key.queryDword(platform::kServiceTypeValue, type) == platform::kErrorSuccess;
}

void RegistryKeeper::captureLocked(std::uint64_t instance) {
    std::map<std::string, std::map<std::string, platform::registry::Value>> values;
    readTree(std::string(lmx::kServiceKeyPath), values);
    // A key read half (the registry failing meanwhile) does not replace a whole one.
    if (values.empty() && !values_.empty()) return;
    // Values the service wrote that the read did not find (a write that failed) stay.
    for (auto& [path, named] : values_) {
        for (auto& [name, value] : named) values[path].try_emplace(name, value);
    }
    // Read from the registry whose id the caller saw, or not at all.
    if (platform::registry::instanceId() != instance) return;
    values_ = std::move(values);
    instance_ = instance;
}

bool RegistryKeeper::writeBackLocked() {
    const platform::registry::PublicationBatch batch;
    // The key itself first; the value that marks an installed service last of all.
    for (const auto& [path, named] : values_) {
        Key key;
        if (Key::create(path, platform::registry::kKeyAllAccess, key) != platform::kErrorSuccess) return false;
        for (const auto& [name, value] : named) {
            if (path == lmx::kServiceKeyPath && name == platform::kServiceTypeValue) continue;
            if (key.set(name, value.type, value.data) != platform::kErrorSuccess) return false;
        }
    }
    const auto& own = values_[std::string(lmx::kServiceKeyPath)];
    if (const auto type = own.find(std::string(platform::kServiceTypeValue)); type != own.end()) {
        Key key;
        if (Key::open(lmx::kServiceKeyPath, platform::registry::kKeySetValue, key) != platform::kErrorSuccess ||
            key.set(platform::kServiceTypeValue, type->second.type, type->second.data) != platform::kErrorSuccess) {
            return false;
        }
    }
    return true;
}

void restoreServiceKeyIfLost(std::uint32_t language) {
    if (registryKeeper().restoreIfLost()) {
        writeComposedEvent(language, nullptr, kEventRegistryRestored, platform::eventlog::kWarningType);
    }
}

RegistryKeeper& registryKeeper() {
    static RegistryKeeper keeper;
    return keeper;
}

}  // namespace dwsvc
