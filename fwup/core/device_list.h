#pragma once
// The device list as the user sees it: seven columns, one row of cell texts per table entry,
// and the row chosen at the start. The dialog's list control and the command line's --list show
// exactly these texts.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fwup/core/device_table.h"

namespace fwup {

inline constexpr int kDeviceListColumns = 7;

struct DeviceListColumn {
    std::string_view title;
    int initialWidth = 0;  // pixels
};

inline constexpr std::array<DeviceListColumn, kDeviceListColumns> kDeviceListColumnTitles = {{
    {"Phy No", 50},
    {"Model", 150},
    {"Serial", 100},
    {"F/W", 70},
    {"FPGA", 70},
    {"B/L", 70},
    {"Capacity", 100},
}};

using DeviceListRow = std::array<std::string, kDeviceListColumns>;

// The cells of one entry: the drive number, model, serial, firmware revision, FPGA and B/L
// versions, and the capacity in sectors as "0x%012llX". A character a terminal or the list could
// take for a control (anything but printable ASCII) is shown as '?'.
DeviceListRow deviceListRow(const DeviceEntry& entry);
std::vector<DeviceListRow> deviceListRows(const DeviceTable& table);

// The row selected at the start: the first supported entry, or none.
std::optional<int> initialSelection(const DeviceTable& table);

// True when the list is empty because the drives refused to open for lack of rights.
bool deniedAllDrives(const DeviceTable& table);

}  // namespace fwup
