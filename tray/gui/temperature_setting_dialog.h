#pragma once
// TemperatureSetting (template 143): the member drives' temperature alarm. A check box switches
// it on, a list offers the thresholds 30 to 69 °C; Set stores both in the TemperatureSetting
// copy and has the window that opened it rebuild (its red marks follow the new threshold).

#include <cstdint>

#include "gui/template_dialog.h"
#include "tray/gui/setting_dialog_results.h"

class QCheckBox;
class QComboBox;

namespace lmx::tray {

inline constexpr int kTemperatureSettingTemplate = 143;
inline constexpr int kTemperatureList = 1078;
inline constexpr int kTemperatureLabel = 1079;
inline constexpr int kTemperatureBox = 1080;
inline constexpr int kTemperatureSet = 1038;
inline constexpr int kTemperatureCancel = 1039;

gui::DialogTemplate temperatureSettingTemplate();

class TemperatureSetting : public gui::TemplateDialog {
    Q_OBJECT
public:
    // `owner` is the information window, told to rebuild on Set; `temperatureSetting` the
    // settings copy: its value opens the dialog and Set writes it.
    TemperatureSetting(gui::TemplateDialog& owner, std::uint32_t& temperatureSetting);

private:
    void set();

    gui::TemplateDialog& owner_;
    QComboBox* list_;
    QCheckBox* box_;
    std::uint32_t& temperatureSetting_;
};

}  // namespace lmx::tray
