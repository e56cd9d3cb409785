#pragma once
// RaidInfoDlg (template 134): one page of the RAID information window's tab form, showing one
// controller: its model, firmware, serial number, status, capacity and FPGA version, its first
// two member drives (status, model, firmware, serial number, capacity, temperature), and the
// rebuild or patrol progress. A page is a child of the tab form, made anew on every rebuild.

#include <cstdint>
#include <memory>

#include "common/controller_status_record.h"
#include "gui/dialog_window.h"
#include "tray/core/string_source.h"

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

// The alarm red of a temperature box at or above the threshold.
inline constexpr std::uint32_t kAlarmRed = 0xFF0000;

class RaidInfoDlg {
public:
    // A child window of the tab form's window.
    explicit RaidInfoDlg(gui::DialogWindow& form);

    gui::DialogWindow& window() { return *window_; }

    // The page fill: every text from the record; the temperature rows only for models that
    // report temperatures, red where a drive has reached the alarm threshold.
    void fill(const ControllerStatusRecord& record, std::uint32_t temperatureSetting, const StringSource& texts);

private:
    std::unique_ptr<gui::DialogWindow> window_;
};

}  // namespace lmx::tray
