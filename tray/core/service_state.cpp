#include "tray/core/service_state.h"

#include <algorithm>

#include "common/ascii_text.h"
#include "platform/process_list.h"
#include "platform/registry.h"

namespace lmx::tray {

bool readServiceSetting(std::string_view name, std::uint32_t& value) {
    platform::registry::Key key;
    if (platform::registry::Key::open(kServiceKeyPath, platform::registry::kKeyRead, key) != 0) return false;
    platform::registry::Value read;
    if (key.query(name, read) != 0 || read.data.size() > sizeof value) return false;  // too big for the 4-byte buffer
    std::uint8_t bytes[4];
    for (std::size_t i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    std::copy(read.data.begin(), read.data.end(), bytes);
    value = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return true;
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

std::uint32_t isServiceRunningFlag() {
    std::uint32_t running = 0;
    return readServiceSetting(kServiceRunning, running) ? running : 0;
}

bool isServiceProcessRunning() {
    const auto processes = platform::processes::snapshotProcesses();
    if (!processes) return false;
    return std::any_of(processes->begin(), processes->end(), [](const platform::processes::ProcessEntry& entry) {
        return equalIgnoringAsciiCase(entry.exeFile, kServiceExecutableName);
    });
}

}  // namespace lmx::tray
