// Device discovery: every drive of 0 to 31 that opens gets an entry, filled from its IDENTIFY
// data or marked unknown when it answers on neither route.

#include <algorithm>
#include <cstring>
#include <string>

#include "common/byte_order.h"
#include "common/vendor_pages.h"
#include "fwup/core/drive_accessor.h"
#include "platform/win_error.h"

namespace fwup {

namespace pages = lmx::pages;

namespace {

constexpr std::string_view kUnknownModel = "UNKNOWN";
constexpr std::string_view kUnknownField = "----";
constexpr std::string_view kNoFpgaVersion = "----";
constexpr std::string_view kNoBootLoaderVersion = "--------";

// An IDENTIFY text field in reading order: the two bytes of every word swapped.
std::string ataString(const std::uint8_t* identify, std::size_t offset, std::size_t length) {
    std::string text(length, '\0');
    for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>(identify[offset + (i ^ 1)]);
    return text;
}

// Leading spaces skipped, the text up to its first NUL kept, trailing spaces and NULs cut.
std::string trimmed(const std::string& raw) {
    const std::size_t start = std::min(raw.find_first_not_of(' '), raw.size());
    std::string text = raw.substr(start);
    text.resize(std::strlen(text.c_str()));
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    return text;
}

bool printable(char c) { return c >= 0x20 && c <= 0x7E; }

}  // namespace

void DriveAccessor::parse_identify(DeviceEntry& entry) const {
    const std::uint8_t* identify = workingBuffer_;
    entry.model = trimmed(ataString(identify, pages::kIdentifyModel, pages::kIdentifyModelLength));
    entry.serial = trimmed(ataString(identify, pages::kIdentifySerial, pages::kIdentifySerialLength));
    entry.firmwareRevision = trimmed(ataString(identify, pages::kIdentifyFirmware, pages::kIdentifyFirmwareLength));

    entry.supported = is_supported_model(entry.model);
    if (entry.supported) {
        entry.fpgaVersion =
            trimmed(ataString(identify, pages::kIdentifyFpgaVersion, pages::kIdentifyFpgaVersionLength));
        entry.bootLoaderVersion = trimmed(
            ataString(identify, pages::kIdentifyBootLoaderVersion, pages::kIdentifyBootLoaderVersionLength));
        std::replace_if(entry.bootLoaderVersion.begin(), entry.bootLoaderVersion.end(),
                        [](char c) { return !printable(c); }, ' ');
        // Bytes that became blanks at either end are trimmed too, so that the version reads the
        // same however often it is taken from the drive's text.
        entry.bootLoaderVersion = trimmed(entry.bootLoaderVersion);
    } else {
        entry.fpgaVersion = kNoFpgaVersion;
        entry.bootLoaderVersion = kNoBootLoaderVersion;
    }

    const auto lba28 = lmx::loadLittleEndian<std::uint32_t>(identify + pages::kIdentifyLba28Capacity);
    entry.capacity = lba28 == pages::kIdentifyLba28Saturated
                         ? lmx::loadLittleEndian<std::uint64_t>(identify + pages::kIdentifyLba48Capacity)
                         : lba28;
}

void DriveAccessor::enumerate_devices(DeviceTable& table) {
    table = DeviceTable{};
    for (int number = 0; number < kProbedDrives; ++number) {
        if (!open_drive(number)) {
            if (lastOpenError_ == platform::kErrorAccessDenied) ++table.deniedDrives;
            continue;
        }
        DeviceEntry& entry = table.entries[static_cast<std::size_t>(table.count)];
        if (identify_device()) {
            parse_identify(entry);
        } else {
            entry.model = kUnknownModel;
            entry.serial = kUnknownField;
            entry.firmwareRevision = kUnknownField;
            entry.fpgaVersion = kUnknownField;
            entry.bootLoaderVersion = kUnknownField;
            entry.capacity = 0;
            entry.supported = false;
        }
        entry.driveNumber = static_cast<std::uint8_t>(number);
        ++table.count;
        close_drive();
    }
}

}  // namespace fwup
