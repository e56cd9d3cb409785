#pragma once
// The frame's cache of the service's settings, read from the service's registry key when the
// frame is created; the settings dialogs change it in place and then have it sent to the service.

#include <cstdint>

#include "common/service_settings.h"

namespace lmx::tray {

struct FrameSettings {
    std::uint32_t popMsg = kDefaultPopMsgSetting;
    std::uint32_t interval = kDefaultIntervalSetting;
    std::uint32_t patrol = kDefaultPatrolSetting;
    std::uint32_t temperature = kDefaultTemperatureSetting;
    std::uint32_t dialog = 0;
};

// DialogSetting: the RAID information window shows in tree form for any non-zero value, else in
// tab form.
inline bool showsTreeForm(std::uint32_t dialogSetting) { return dialogSetting != 0; }

}  // namespace lmx::tray
