#pragma once
// RaidInfoDlg (template 134): one page of the RAID information window's tab form, showing one
// controller: its model, firmware, serial number, status, capacity and FPGA version, its first
// two member drives (status, model, firmware, serial number, capacity, temperature), and the
// rebuild or patrol progress. A page is a child of the tab form, made anew on every rebuild.

#include <cstdint>

#include "common/controller_status_record.h"
#include "gui/template_dialog.h"
#include "tray/core/string_source.h"

class QLineEdit;

namespace lmx::gui {
class InfoProgressBar;
}

namespace lmx::tray {

inline constexpr int kRaidPageTemplate = 134;

namespace page {
inline constexpr int kRaidGroup = 1072;
inline constexpr int kDriveGroup[2] = {1073, 1074};
inline constexpr int kModel = 1031;
inline constexpr int kFirmware = 1015;
inline constexpr int kSerial = 1016;
inline constexpr int kStatus = 1018;
inline constexpr int kCapacity = 1019;
inline constexpr int kFpga = 1030;
inline constexpr int kProgress = 1032;
// Per member drive 0 and 1: status, model, firmware, serial number, capacity, temperature.
inline constexpr int kDriveStatus[2] = {1020, 1025};
inline constexpr int kDriveModel[2] = {1021, 1026};
inline constexpr int kDriveFirmware[2] = {1022, 1027};
inline constexpr int kDriveSerial[2] = {1023, 1028};
inline constexpr int kDriveCapacity[2] = {1024, 1029};
inline constexpr int kDriveTemperature[2] = {1033, 1034};
inline constexpr int kDriveTemperatureLabel[2] = {1075, 1076};
}  // namespace page

gui::DialogTemplate raidPageTemplate();

class RaidInfoDlg : public gui::TemplateDialog {
    Q_OBJECT
public:
    explicit RaidInfoDlg(QWidget* parent);

    // The page fill: every text from the record; the temperature rows only for models that
    // report temperatures, red where a drive has reached the alarm threshold.
    void fill(const ControllerStatusRecord& record, std::uint32_t temperatureSetting, const StringSource& texts);

    QLineEdit* temperatureBox(int drive) const;
    gui::InfoProgressBar* progressBar() const;

private:
    void colourTemperature(int drive, bool alarm);
};

}  // namespace lmx::tray
