#include "service/monitor/settings_store.h"

#include <array>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "common/service_settings.h"
#include "platform/registry.h"
#include "platform/win_error.h"
#include "service/monitor/registry_keeper.h"
#include "service/monitor/service_identity.h"

namespace dwsvc {

namespace {

using platform::registry::Key;

std::string driveKeyPath(int physicalNumber) {
    char name[16];
    std::snprintf(name, sizeof name, "\\Phy_%d", physicalNumber);
    return std::string(kServiceKeyPath) + name;
}

bool openOrCreate(const std::string& path, Key& key) {
    return Key::open(path, platform::registry::kKeyAllAccess, key) == platform::kErrorSuccess ||
           Key::create(path, platform::registry::kKeyAllAccess, key) == platform::kErrorSuccess;
}

platform::registry::Value dwordValue(std::uint32_t value) {
    return {platform::registry::ValueType::Dword,
            {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value >> 16),
             static_cast<std::uint8_t>(value >> 24)}};
}

// Values are written, and kept by the service's registry keeper, through these two.
void setKeptDword(Key& key, std::string_view name, std::uint32_t value) {
    key.setDword(name, value);
    registryKeeper().remember(key.path(), name, dwordValue(value));
}

void setKeptString(Key& key, std::string_view name, std::string_view text) {
    key.setString(name, text);
    platform::registry::Value value{platform::registry::ValueType::String, {text.begin(), text.end()}};
    value.data.push_back(0);
    registryKeeper().remember(key.path(), name, value);
}

// A record's string field as published: up to its first zero byte, at most the field's size.
template <std::size_t N>
void publishText(Key& key, std::string_view name, const char (&field)[N]) {
    setKeptString(key, name, lmx::fieldText(field));
}

// A string value into a record's field: at most the field's size (longer values are cut).
template <std::size_t N>
void loadText(const Key& key, std::string_view name, char (&field)[N]) {
    std::string text;
    if (key.queryString(name, text) == platform::kErrorSuccess) lmx::setField(field, text);
}

void writeRecordValues(Key& key, const lmx::ControllerStatusRecord& record) {
    setKeptDword(key, lmx::kPhysicalNumberValue, record.physicalNumber);
    setKeptDword(key, lmx::kSupportDriveValue, record.present);
    setKeptDword(key, lmx::kRaidStatusValue, record.raidStatus);
    publishText(key, lmx::kRaidModelNumberValue, record.raidModel);
    publishText(key, lmx::kRaidSerialNumberValue, record.raidSerial);
    for (std::size_t k = 0; k < lmx::kMemberSlotCount; ++k) {
        const auto& slot = record.drive[k];
        setKeptDword(key, lmx::memberValueName(k, lmx::kMemberStatusSuffix), std::uint32_t{slot.statusExtra} * 256 + slot.status);
        publishText(key, lmx::memberValueName(k, lmx::kMemberModelNumberSuffix), slot.model);
        publishText(key, lmx::memberValueName(k, lmx::kMemberSerialNumberSuffix), slot.serial);
    }
}

}  // namespace

bool writeDefaults(std::FILE* out) {
    const platform::registry::PublicationBatch batch;
    Key key;
    if (!openOrCreate(std::string(kServiceKeyPath), key)) {
        std::fputs("Failed open registry key.", out);
        return false;
    }
    const std::array<std::pair<std::string_view, std::uint32_t>, 9> defaults = {{
        {kAutoStart, 1},
        {kIntervalSetting, lmx::kDefaultIntervalSetting},
        {kNextPatrolTimeHigh, 0},
        {kNextPatrolTimeLow, 0},
        {kPatrolSetting, lmx::kDefaultPatrolSetting},
        {kPopMsgSetting, lmx::kDefaultPopMsgSetting},
        {kServiceRunning, 0},
        {kTemperatureSetting, lmx::kDefaultTemperatureSetting},
        {kDialogSetting, 0},
    }};
    for (const auto& [name, value] : defaults) key.setDword(name, value);
    for (int n = 0; n < lmx::kPhysicalDriveCount; ++n) {
        Key driveKey;
        if (!openOrCreate(driveKeyPath(n), driveKey)) {
            std::fputs("Failed open registry key.", out);
            return false;
        }
        lmx::ControllerStatusRecord cleared;
        lmx::clearRecord(cleared);
        cleared.physicalNumber = static_cast<std::uint8_t>(n);
        writeRecordValues(driveKey, cleared);
    }
    return true;
}

std::uint32_t storeSetting(std::string_view name, std::uint32_t value) {
    Key key;
    auto error = Key::open(kServiceKeyPath, platform::registry::kKeySetValue, key);
    if (error != platform::kErrorSuccess) error = Key::create(kServiceKeyPath, platform::registry::kKeyAllAccess, key);
    registryKeeper().remember(kServiceKeyPath, name, dwordValue(value));
    if (error != platform::kErrorSuccess) return error;
    return key.setDword(name, value);
}

namespace {

// Settings the service accepted but could not write yet (a full disk, a registry being
// replaced): the latest value per name, so the list never grows beyond the settings' count.
struct PendingSettings {
    std::mutex lock;
    std::map<std::string, std::uint32_t, std::less<>> values;
};

PendingSettings& pendingSettings() {
    static PendingSettings pending;
    return pending;
}

// Writes what is pending, under the lock; true when nothing is left.
bool flushPending(PendingSettings& pending) {
    for (auto it = pending.values.begin(); it != pending.values.end();) {
        if (storeSetting(it->first, it->second) != platform::kErrorSuccess) return false;
        it = pending.values.erase(it);
    }
    return true;
}

}  // namespace

void writeSetting(std::string_view name, std::uint32_t value) {
    auto& pending = pendingSettings();
    std::lock_guard lock(pending.lock);
    // Older values go first, so that a newer value of the same name is never overwritten.
    if (flushPending(pending) && storeSetting(name, value) == platform::kErrorSuccess) return;
    pending.values.insert_or_assign(std::string(name), value);
}

bool writePendingSettings() {
    auto& pending = pendingSettings();
    std::lock_guard lock(pending.lock);
    const bool written = flushPending(pending);
    platform::registry::republishIfBehind();
    return written;
}

std::uint32_t readSetting(std::string_view name, std::uint32_t defaultValue) {
    {
        auto& pending = pendingSettings();
        std::lock_guard lock(pending.lock);
        if (const auto found = pending.values.find(name); found != pending.values.end()) return found->second;
    }
    Key key;
    std::uint32_t value = 0;
    if (Key::open(kServiceKeyPath, platform::registry::kKeyRead, key) != platform::kErrorSuccess ||
        key.queryDword(name, value) != platform::kErrorSuccess) {
        return defaultValue;
    }
    return value;
}

std::string readStringSetting(std::string_view name) {
    Key key;
    std::string value;
    if (Key::open(kServiceKeyPath, platform::registry::kKeyRead, key) != platform::kErrorSuccess ||
        key.queryString(name, value) != platform::kErrorSuccess) {
        return {};
    }
    return value;
}

void publishRecord(const lmx::ControllerStatusRecord& record) {
    const platform::registry::PublicationBatch batch;  // the record's values reach other users together
    Key key;
    if (openOrCreate(driveKeyPath(record.physicalNumber), key)) writeRecordValues(key, record);
}

void loadRecord(int physicalNumber, lmx::ControllerStatusRecord& record) {
    Key key;
    if (Key::open(driveKeyPath(physicalNumber), platform::registry::kKeyRead, key) != platform::kErrorSuccess) return;
    std::uint32_t value = 0;
    if (key.queryDword(lmx::kPhysicalNumberValue, value) == platform::kErrorSuccess) record.physicalNumber = static_cast<std::uint8_t>(value);
    if (key.queryDword(lmx::kSupportDriveValue, value) == platform::kErrorSuccess) record.present = static_cast<std::uint8_t>(value);
    if (key.queryDword(lmx::kRaidStatusValue, value) == platform::kErrorSuccess) record.raidStatus = static_cast<std::uint8_t>(value);
    loadText(key, lmx::kRaidModelNumberValue, record.raidModel);
    loadText(key, lmx::kRaidSerialNumberValue, record.raidSerial);
    for (std::size_t k = 0; k < lmx::kMemberSlotCount; ++k) {
        auto& slot = record.drive[k];
        if (key.queryDword(lmx::memberValueName(k, lmx::kMemberStatusSuffix), value) == platform::kErrorSuccess) {
            slot.status = static_cast<std::uint8_t>(value);
            slot.statusExtra = static_cast<std::uint8_t>(value >> 8);
        }
        loadText(key, lmx::memberValueName(k, lmx::kMemberModelNumberSuffix), slot.model);
        loadText(key, lmx::memberValueName(k, lmx::kMemberSerialNumberSuffix), slot.serial);
    }
}

}  // namespace dwsvc
