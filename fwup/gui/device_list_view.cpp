#include "fwup/gui/device_list_view.h"

#include "fwup/core/device_list.h"
#include "fwup/gui/fwup_templates.h"

namespace fwup::gui {

void setUpDeviceListColumns(lmx::gui::DialogWindow& dialog) {
    std::vector<lmx::gui::ListColumn> columns;
    for (const DeviceListColumn& column : kDeviceListColumnTitles) {
        columns.push_back({std::string(column.title), column.initialWidth});
    }
    dialog.setColumns(kDeviceList, columns);
}

void fillDeviceList(lmx::gui::DialogWindow& dialog, const DeviceTable& table) {
    std::vector<std::vector<std::string>> rows;
    for (const DeviceListRow& cells : deviceListRows(table)) rows.emplace_back(cells.begin(), cells.end());
    dialog.setRows(kDeviceList, rows);
    dialog.selectRow(kDeviceList, initialSelection(table));
}

}  // namespace fwup::gui
