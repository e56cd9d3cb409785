#pragma once
// CIntervalSetting (template 140): how often the service queries the controllers. A list of the
// twelve intervals from 5 seconds to 24 hours; Set stores the chosen one's bit in the
// IntervalSetting copy.

#include <cstdint>

#include "tray/gui/setting_dialog.h"
#include "tray/core/string_source.h"

namespace lmx::tray {

inline constexpr int kIntervalSettingTemplate = 140;
inline constexpr int kIntervalList = 1041;
inline constexpr int kIntervalLabel = 1077;
inline constexpr int kIntervalSet = 1038;
inline constexpr int kIntervalCancel = 1039;

gui::DialogTemplate intervalSettingTemplate();

class CIntervalSetting : public SettingDialog {
public:
    // `intervalSetting` is the settings copy: its value opens the dialog and Set writes it.
    CIntervalSetting(gui::DialogWindow* owner, std::uint32_t& intervalSetting, const StringSource& texts);

private:
    void set();

    std::uint32_t& intervalSetting_;
};

}  // namespace lmx::tray
