#include "fwup/core/device_list.h"

#include <cstdio>

namespace fwup {

namespace {

std::string shown(std::string_view text) {
    std::string cell(text);
    for (char& c : cell) {
        if (c < 0x20 || c > 0x7E) c = '?';
    }
    return cell;
}

}  // namespace

DeviceListRow deviceListRow(const DeviceEntry& entry) {
    char capacity[32];
    std::snprintf(capacity, sizeof capacity, "0x%012llX", static_cast<unsigned long long>(entry.capacity));
    return {
        std::to_string(entry.driveNumber),
        shown(entry.model),
        shown(entry.serial),
        shown(entry.firmwareRevision),
        shown(entry.fpgaVersion),
        shown(entry.bootLoaderVersion),
        capacity,
    };
}

std::vector<DeviceListRow> deviceListRows(const DeviceTable& table) {
    std::vector<DeviceListRow> rows;
    for (int i = 0; i < table.count; ++i) rows.push_back(deviceListRow(table.entries[static_cast<std::size_t>(i)]));
    return rows;
}

std::optional<int> initialSelection(const DeviceTable& table) {
    for (int i = 0; i < table.count; ++i) {
        if (table.entries[static_cast<std::size_t>(i)].supported) return i;
    }
    return std::nullopt;
}

bool deniedAllDrives(const DeviceTable& table) { return table.count == 0 && table.deniedDrives > 0; }

}  // namespace fwup
