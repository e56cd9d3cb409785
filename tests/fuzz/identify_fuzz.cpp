// IDENTIFY DEVICE data as the service reads it (integrity check, model string, flags, model
// table) and as the firmware tool reads it (trimmed texts, capacity, FPGA and boot loader words,
// the device list's cells). The input is the 512 bytes a drive answered.
//
// Properties: every cell of the device list is printable ASCII and no longer than its field;
// the tool's entry, written back into IDENTIFY data the way a drive holds its texts, parses to
// the same entry (parsing is stable); the capacity is words 60-61, or words 100-103 when 60-61
// are saturated; the service's model string is the 40 bytes, and the same data decide the same
// way twice.

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>

#include "common/byte_order.h"
#include "common/controller_model.h"
#include "common/vendor_pages.h"
#include "fwup/core/device_list.h"
#include "fwup/core/drive_accessor.h"
#include "service/controller/identification.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

namespace pages = lmx::pages;

fwup::DriveAccessor& accessor() {
    static const auto instance = fwup::DriveAccessor::create([](std::string_view) {});
    return *instance;
}

bool printableAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

// A text as a drive holds it: space-padded, the two bytes of every word swapped.
void putAtaString(std::uint8_t* identify, std::size_t offset, std::size_t length, const std::string& text) {
    for (std::size_t i = 0; i < length; ++i) {
        identify[offset + (i ^ 1)] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
    }
}

fwup::DeviceEntry parseWithTool(const std::uint8_t* identify) {
    std::memcpy(accessor().workingBuffer(), identify, 512);
    fwup::DeviceEntry entry;
    accessor().parse_identify(entry);
    return entry;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    lmx::fuzz::FuzzInput input(data, size);
    auto identify = std::make_unique<std::array<std::uint8_t, 512>>();
    input.fill(*identify);

    // The service.
    const bool intact = controller::passesIdentifyIntegrity(*identify);
    const std::string model = controller::identifyModel(*identify);
    FUZZ_CHECK(model.size() == pages::kIdentifyModelLength);
    const auto match = lmx::matchControllerModel(model);
    const auto again = lmx::matchControllerModel(controller::identifyModel(*identify));
    FUZZ_CHECK(match.family == again.family && match.supported == again.supported);
    FUZZ_CHECK(!match.supported || match.family.has_value());
    FUZZ_CHECK(intact == controller::passesIdentifyIntegrity(*identify));
    const auto flags = controller::identifyFlags(*identify);
    FUZZ_CHECK(!flags.clockIsSet || flags.clockStateReported);

    // The firmware tool.
    const fwup::DeviceEntry entry = parseWithTool(identify->data());
    FUZZ_CHECK(entry.model.size() <= fwup::kModelLength);
    FUZZ_CHECK(entry.serial.size() <= fwup::kSerialLength);
    FUZZ_CHECK(entry.firmwareRevision.size() <= fwup::kFirmwareLength);
    FUZZ_CHECK(entry.fpgaVersion.size() <= fwup::kFpgaVersionLength);
    FUZZ_CHECK(entry.bootLoaderVersion.size() <= fwup::kBootLoaderVersionLength);
    const auto lba28 = lmx::loadLittleEndian<std::uint32_t>(identify->data() + pages::kIdentifyLba28Capacity);
    const auto lba48 = lmx::loadLittleEndian<std::uint64_t>(identify->data() + pages::kIdentifyLba48Capacity);
    FUZZ_CHECK(entry.capacity == (lba28 == pages::kIdentifyLba28Saturated ? lba48 : lba28));

    const auto row = fwup::deviceListRow(entry);
    const std::array<std::size_t, fwup::kDeviceListColumns> limits = {
        2, fwup::kModelLength, fwup::kSerialLength, fwup::kFirmwareLength, fwup::kFpgaVersionLength,
        fwup::kBootLoaderVersionLength, 18};  // the capacity: "0x" and 12 to 16 hex digits
    for (std::size_t column = 0; column < row.size(); ++column) {
        FUZZ_CHECK(printableAscii(row[column]));
        FUZZ_CHECK(row[column].size() <= limits[column]);
    }

    // Parsing is stable: the entry's texts written back as a drive holds them parse the same.
    auto rewritten = std::make_unique<std::array<std::uint8_t, 512>>(*identify);
    putAtaString(rewritten->data(), pages::kIdentifyModel, pages::kIdentifyModelLength, entry.model);
    putAtaString(rewritten->data(), pages::kIdentifySerial, pages::kIdentifySerialLength, entry.serial);
    putAtaString(rewritten->data(), pages::kIdentifyFirmware, pages::kIdentifyFirmwareLength, entry.firmwareRevision);
    if (entry.supported) {
        putAtaString(rewritten->data(), pages::kIdentifyFpgaVersion, pages::kIdentifyFpgaVersionLength,
                     entry.fpgaVersion);
        putAtaString(rewritten->data(), pages::kIdentifyBootLoaderVersion, pages::kIdentifyBootLoaderVersionLength,
                     entry.bootLoaderVersion);
    }
    const fwup::DeviceEntry reparsed = parseWithTool(rewritten->data());
    FUZZ_CHECK(reparsed == entry);
    FUZZ_CHECK(fwup::deviceListRow(reparsed) == row);
    return 0;
}
