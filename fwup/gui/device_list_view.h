#pragma once
// The device list control (1000): a report view with grid lines, movable headers and whole-row
// selection, filled from the device table with the cell texts of fwup/core/device_list.h.

#include "fwup/core/device_table.h"
#include "gui/dialog_window.h"

namespace fwup::gui {

// Sets up the seven columns (titles and initial widths), replacing any earlier ones.
void setUpDeviceListColumns(lmx::gui::DialogWindow& dialog);

// One row per table entry, every column sized to its widest cell or title, and the first
// supported row selected (not made current); no row when none is supported.
void fillDeviceList(lmx::gui::DialogWindow& dialog, const DeviceTable& table);

}  // namespace fwup::gui
