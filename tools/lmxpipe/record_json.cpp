#include "tools/lmxpipe/record_json.h"

namespace lmxpipe {

namespace {

template <std::size_t N>
std::string text(const char (&field)[N]) {
    return std::string(lmx::trimmedField(field));
}

nlohmann::ordered_json slotJson(const lmx::MemberDriveSlot& slot) {
    return {
        {"model", text(slot.model)},
        {"serial", text(slot.serial)},
        {"firmware", text(slot.firmware)},
        {"capacity", lmx::driveCapacity(slot)},
        {"status", slot.status},
        {"temperatureValid", slot.temperatureValid},
        {"temperature", slot.temperature},
        {"temperature2", slot.temperature2},
        {"statusExtra", slot.statusExtra},
    };
}

}  // namespace

nlohmann::ordered_json recordJson(const lmx::ControllerStatusRecord& record) {
    nlohmann::ordered_json drives = nlohmann::ordered_json::array();
    for (const auto& slot : record.drive) drives.push_back(slotJson(slot));
    return {
        {"physicalNumber", record.physicalNumber},
        {"present", record.present},
        {"ordinal", record.ordinal},
        {"raidModel", text(record.raidModel)},
        {"raidSerial", text(record.raidSerial)},
        {"raidFirmware", text(record.raidFirmware)},
        {"fpgaVersion", lmx::fpgaVersion(record)},
        {"raidOptionFlags", record.raidOptionFlags},
        {"errorSkipped", record.errorSkipped},
        {"raidCapacity", lmx::raidCapacity(record)},
        {"progress", lmx::progress(record)},
        {"patrolState", record.patrolState},
        {"raidStatus", record.raidStatus},
        {"drive", std::move(drives)},
    };
}

std::string statusTableJson(const std::array<lmx::ControllerStatusRecord, lmx::kPhysicalDriveCount>& records) {
    nlohmann::ordered_json table = nlohmann::ordered_json::array();
    for (const auto& record : records) table.push_back(recordJson(record));
    return table.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace lmxpipe
