#pragma once
// CZarkelInfoNewDlg (template 145): the RAID information window in tree form. A root per
// present controller ("RAID No.n") with a child per member drive (three for three-drive
// models), and one panel beside it that shows the RAID or the drive selected, with the rebuild
// or patrol progress below the tree. Enter, Esc and the close box hide the window.

#include <optional>

#include "tray/gui/information_form.h"

namespace lmx::tray {

inline constexpr int kTreeFormTemplate = 145;

namespace tree {
inline constexpr int kTree = 1082;
inline constexpr int kProgress = 1032;
// The panel's rows: status, model, serial number, firmware, FPGA, capacity, temperature.
inline constexpr int kLabels[7] = {1084, 1085, 1086, 1087, 1088, 1089, 1090};
inline constexpr int kValues[7] = {1091, 1092, 1093, 1094, 1095, 1096, 1097};
inline constexpr int kStatus = 1091;
inline constexpr int kModel = 1092;
inline constexpr int kSerial = 1093;
inline constexpr int kFirmware = 1094;
inline constexpr int kFpga = 1095;
inline constexpr int kCapacity = 1096;
inline constexpr int kTemperature = 1097;
}  // namespace tree

gui::DialogTemplate treeFormTemplate();

class CZarkelInfoNewDlg : public InformationForm {
public:
    // Initialises hidden: caption, menu, labels, then the first reload and rebuild.
    explicit CZarkelInfoNewDlg(InformationWindowHost& host);

    void rebuild() override;
    void reloadAndRebuild() override;

private:
    void showDetail(std::optional<gui::TreePosition> item);
    void showRaid(const ControllerStatusRecord& record);
    void showDrive(const ControllerStatusRecord& record, int drive);
    void blankPanel();

    bool initialised_ = false;
};

}  // namespace lmx::tray
