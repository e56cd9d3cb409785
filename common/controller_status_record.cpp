#include "common/controller_status_record.h"

#include <algorithm>
#include <cstring>

#include "common/byte_order.h"

namespace lmx {

void clearRecord(ControllerStatusRecord& record) { std::memset(&record, 0, sizeof record); }

bool sameRecord(const ControllerStatusRecord& a, const ControllerStatusRecord& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

StatusRecordBytes toBytes(const ControllerStatusRecord& record) {
    StatusRecordBytes bytes;
    std::memcpy(bytes.data(), &record, bytes.size());
    return bytes;
}

ControllerStatusRecord recordFromBytes(std::span<const std::uint8_t, kStatusRecordSize> bytes) {
    ControllerStatusRecord record;
    std::memcpy(&record, bytes.data(), sizeof record);
    return record;
}

std::uint64_t raidCapacity(const ControllerStatusRecord& record) {
    return loadLittleEndian<std::uint64_t>(record.raidCapacity);
}
void setRaidCapacity(ControllerStatusRecord& record, std::uint64_t sectors) {
    storeLittleEndian(record.raidCapacity, sectors);
}
std::uint64_t fpgaVersion(const ControllerStatusRecord& record) {
    return loadLittleEndian<std::uint64_t>(record.fpgaVersion);
}
void setFpgaVersion(ControllerStatusRecord& record, std::uint64_t version) {
    storeLittleEndian(record.fpgaVersion, version);
}
std::uint32_t progress(const ControllerStatusRecord& record) {
    return loadLittleEndian<std::uint32_t>(record.progress);
}
void setProgress(ControllerStatusRecord& record, std::uint32_t value) {
    storeLittleEndian(record.progress, value);
}
std::uint64_t driveCapacity(const MemberDriveSlot& slot) {
    return loadLittleEndian<std::uint64_t>(slot.capacity);
}
void setDriveCapacity(MemberDriveSlot& slot, std::uint64_t sectors) {
    storeLittleEndian(slot.capacity, sectors);
}

std::string_view fieldText(const char* field, std::size_t size) {
    const char* end = std::find(field, field + size, '\0');
    return {field, static_cast<std::size_t>(end - field)};
}

std::string_view trimmedField(const char* field, std::size_t size) {
    std::string_view text = fieldText(field, size);
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

void setField(char* field, std::size_t size, std::string_view text) {
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(size, text.size()));
}

}  // namespace lmx
