#pragma once
// TemperatureSetting (template 143): the member drives' temperature alarm. A check box switches
// it on, a list offers the thresholds 30 to 69 °C; Set stores both in the TemperatureSetting
// copy and has the window that opened it rebuild (its red marks follow the new threshold).

#include <cstdint>

#include "tray/gui/setting_dialog.h"

namespace lmx::tray {

inline constexpr int kTemperatureSettingTemplate = 143;
inline constexpr int kTemperatureList = 1078;
inline constexpr int kTemperatureLabel = 1079;
inline constexpr int kTemperatureBox = 1080;
inline constexpr int kTemperatureSet = 1038;
inline constexpr int kTemperatureCancel = 1039;

gui::DialogTemplate temperatureSettingTemplate();

class TemperatureSetting : public SettingDialog {
public:
    // `owner` is the information window, told to rebuild on Set; `temperatureSetting` the
    // settings copy: its value opens the dialog and Set writes it.
    TemperatureSetting(gui::DialogWindow& owner, std::uint32_t& temperatureSetting);

private:
    void set();

    gui::DialogWindow& owner_;
    std::uint32_t& temperatureSetting_;
};

}  // namespace lmx::tray
