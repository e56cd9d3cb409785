#pragma once
// The device list control (1000): a report view with grid lines, movable headers and whole-row
// selection, filled from the device table with the cell texts of fwup/core/device_list.h.

#include <optional>

#include "fwup/core/device_table.h"

class QTreeWidget;

namespace fwup::gui {

// Sets up the seven columns (titles and initial widths), replacing any earlier ones.
void setUpDeviceListColumns(QTreeWidget& list);

// One row per table entry, every column sized to its widest cell or title, and the first
// supported row selected (not made current); no row when none is supported.
void fillDeviceList(QTreeWidget& list, const DeviceTable& table);

// The selected row, or empty.
std::optional<int> selectedDeviceRow(const QTreeWidget& list);

}  // namespace fwup::gui
