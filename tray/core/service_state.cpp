#include "tray/core/service_state.h"

#include <algorithm>

#include "common/ascii_text.h"
#include "common/byte_order.h"
#include "platform/process_list.h"
#include "platform/registry.h"

namespace lmx::tray {

bool readServiceSetting(std::string_view name, std::uint32_t& value) {
    platform::registry::Key key;
    if (platform::registry::Key::open(kServiceKeyPath, platform::registry::kKeyRead, key) != 0) return false;
    platform::registry::Value read;
    if (key.query(name, read) != 0 || read.data.size() > sizeof value) return false;  // too big for the 4-byte buffer
    // A shorter value overwrites only the low bytes of the caller's.
    std::uint8_t bytes[4];
    lmx::storeLittleEndian(bytes, value);
    std::copy(read.data.begin(), read.data.end(), bytes);
    value = lmx::loadLittleEndian<std::uint32_t>(bytes);
    return true;
}

std::uint32_t serviceSettingOr(std::string_view name, std::uint32_t fallback) {
    std::uint32_t value = fallback;
    return readServiceSetting(name, value) ? value : fallback;
}

FrameSettings loadFrameSettings() {
    FrameSettings settings;
    readServiceSetting(kPopMsgSetting, settings.popMsg);
    readServiceSetting(kIntervalSetting, settings.interval);
    readServiceSetting(kPatrolSetting, settings.patrol);
    readServiceSetting(kTemperatureSetting, settings.temperature);
    readServiceSetting(kDialogSetting, settings.dialog);
    return settings;
}

void reloadSettings(FrameSettings& settings) {
    const std::uint32_t dialog = settings.dialog;
    settings = loadFrameSettings();
    settings.dialog = dialog;
}

std::uint32_t isServiceRunningFlag() {
    std::uint32_t running = 0;
    return readServiceSetting(kServiceRunning, running) ? running : 0;
}

bool isServiceProcessRunning() {
    const auto processes = platform::processes::snapshotProcesses();
    if (!processes) return false;
    return std::any_of(processes->begin(), processes->end(), [](const platform::processes::ProcessEntry& entry) {
        return platform::processes::runsProgram(entry, kServiceExecutableName);
    });
}

bool isServiceRunning() {
    return isServiceRunningFlag() == 1 && isServiceProcessRunning();
}

}  // namespace lmx::tray
