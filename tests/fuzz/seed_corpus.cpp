// Writes the seed inputs of every fuzz target from real bytes: the sense data captured from the
// kernels (tests/platform/captured_kernel_answers.h), the simulator's IDENTIFY data, vendor
// pages and drive files for every controller model, and status records decoded from those pages.
// The committed corpus (tests/fuzz/corpus/) is these seeds fuzzed and minimised:
//
//   fuzz_seed_corpus SEEDS && scripts/fuzz.sh --merge SEEDS
//
// (build/fuzz/bin/fuzz_seed_corpus; every build with the simulator has it.)

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "common/controller_status_record.h"
#include "common/pipe_request.h"
#include "common/service_settings.h"
#include "common/vendor_pages.h"
#include "service/controller/page_decoders.h"
#include "simulator/drive_description.h"
#include "simulator/drive_json.h"
#include "simulator/identify_data.h"
#include "simulator/vendor_page_builder.h"
#include "tests/platform/captured_kernel_answers.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;
namespace captured = platform::captured;
namespace pages = lmx::pages;

constexpr std::array<std::string_view, 9> kControllerModels = {
    "ZDA-JW420",          "Lumavex VBIN-Duplex     ZDA-JW", "ZDA-JY100", "ZDA-GX460",         "ZDA-GX460-TT3",
    "Lumavex ZDAP-RS481", "Lumavex ZDA-RS481",              "Lumavex ZDAP-RS482", "Lumavex ZDA-RS482"};

fs::path gFolder;

void write(std::string_view target, const std::string& name, const Bytes& bytes) {
    const fs::path folder = gFolder / target;
    fs::create_directories(folder);
    std::ofstream out(folder / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void append(Bytes& to, const std::uint8_t* bytes, std::size_t size) { to.insert(to.end(), bytes, bytes + size); }
template <typename Range>
void append(Bytes& to, const Range& range) { to.insert(to.end(), range.begin(), range.end()); }
void appendU32(Bytes& to, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) to.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

const std::vector<std::pair<std::string, Bytes>>& capturedSense() {
    static const std::vector<std::pair<std::string, Bytes>> sense = {
        {"page_read_failed_61", captured::kPageReadFailed61},
        {"page_read_failed_612", captured::kPageReadFailed612},
        {"page_read_failed_descriptor", captured::kPageReadFailedDescriptor},
        {"set_date_time_failed_61", captured::kSetDateTimeFailed61},
        {"set_date_time_failed_612", captured::kSetDateTimeFailed612},
        {"set_date_time_failed_descriptor", captured::kSetDateTimeFailedDescriptor},
        {"download_failed_61", captured::kDownloadFailed61},
        {"download_failed_612", captured::kDownloadFailed612},
        {"smart_enable_check_condition", captured::kSmartEnableCheckCondition},
        {"vendor_control_check_condition", captured::kVendorControlCheckCondition},
        {"identify_check_condition_61", captured::kIdentifyCheckCondition61},
        {"identify_check_condition_612", captured::kIdentifyCheckCondition612},
        {"invalid_parameter_list", captured::kInvalidParameterList},
    };
    return sense;
}

void senseSeeds() {
    for (const auto& [name, sense] : capturedSense()) {
        for (std::uint8_t extended : {0, 1}) {
            Bytes input{extended};
            append(input, sense);
            write("ata_sense", name + (extended ? "_48bit" : ""), input);
        }
        // The direct route: IDENTIFY (data in, 512 bytes) answered with this sense.
        Bytes direct{0x00};
        Bytes request(48, 0);
        request[0] = 0x02;  // data in
        request[1] = 0x00, request[2] = 0x02;  // 512 bytes
        request[5 + 6] = 0xEC;  // the command register: IDENTIFY DEVICE
        request[13] = 48;  // output size
        append(direct, request);
        Bytes answer{0x00, 0x02};  // no transport failure, CHECK CONDITION
        appendU32(answer, 0);
        answer.push_back(static_cast<std::uint8_t>(sense.size()));
        append(answer, sense);
        answer.resize(answer.size() + 512, 0x11);
        Bytes directInput = direct;
        append(directInput, answer);
        write("drive_routes", "direct_" + name, directInput);
        // The SMART route: SMART ENABLE OPERATIONS, no data.
        Bytes smart{0x01};
        Bytes smartRequest(48, 0);
        smartRequest[4] = 0xD8, smartRequest[7] = 0x4F, smartRequest[8] = 0xC2, smartRequest[10] = 0xB0;
        smartRequest[32] = 16, smartRequest[33] = 1;  // out size 16 + 528
        append(smart, smartRequest);
        append(smart, answer.data(), answer.size() - 512);
        write("drive_routes", "smart_" + name, smart);
    }
}

lmx::ControllerStatusRecord decodedRecord(const simulator::DriveDescription& drive, lmx::ControllerFamily family,
                                          int physicalNumber, int ordinal) {
    lmx::ControllerStatusRecord record;
    lmx::clearRecord(record);
    record.physicalNumber = static_cast<std::uint8_t>(physicalNumber);
    record.present = 1;
    record.ordinal = static_cast<std::uint8_t>(ordinal);
    const auto raid = simulator::buildVendorPage(drive, pages::kRaidInfoPage);
    const auto standard = simulator::buildVendorPage(drive, pages::kStandardInfoPage);
    const auto drives = simulator::buildVendorPage(drive, pages::kDriveInfoPage);
    if (raid) controller::decodeRaidPage(*raid, family, record);
    if (standard) controller::decodeStandardPage(*standard, family, record);
    if (drives) controller::decodeDrivePage(*drives, family, record);
    for (std::size_t k = 0; k < lmx::memberSlotCount(family); ++k) {
        if (const auto smart = simulator::buildVendorPage(drive, static_cast<std::uint8_t>(pages::kFirstSmartPage + k))) {
            controller::decodeSmartTemperature(*smart, record.drive[k]);
            record.drive[k].temperatureValid = 1;
        }
    }
    return record;
}

void controllerSeeds(std::vector<lmx::ControllerStatusRecord>& records) {
    int index = 0;
    for (const auto model : kControllerModels) {
        const auto drive = simulator::defaultController(model);
        const std::string name = "model_" + std::to_string(index);
        const auto identify = simulator::buildIdentifyData(drive);
        write("identify", name, Bytes(identify.begin(), identify.end()));

        Bytes pagesInput(identify.begin(), identify.end());
        for (const std::uint8_t code : {pages::kRaidInfoPage, pages::kStandardInfoPage, pages::kDriveInfoPage,
                                        std::uint8_t(pages::kFirstSmartPage), std::uint8_t(pages::kFirstSmartPage + 1),
                                        std::uint8_t(pages::kFirstSmartPage + 2)}) {
            const auto page = simulator::buildVendorPage(drive, code);
            if (page) append(pagesInput, *page);
            else pagesInput.resize(pagesInput.size() + 512, 0);
        }
        write("vendor_pages", name, pagesInput);

        const std::string json = simulator::toJson(drive).dump(2) + "\n";
        write("drive_json", name, Bytes(json.begin(), json.end()));
        const auto family = lmx::matchControllerModel(model).family;
        if (family) records.push_back(decodedRecord(drive, *family, index % 6, index % 6));
        ++index;
    }
    const auto disk = simulator::defaultDisk();
    const auto identify = simulator::buildIdentifyData(disk);
    write("identify", "disk", Bytes(identify.begin(), identify.end()));
    const std::string diskJson = simulator::toJson(disk).dump(2) + "\n";
    write("drive_json", "disk", Bytes(diskJson.begin(), diskJson.end()));
    const std::string silent = simulator::toJson(simulator::defaultSilentDrive()).dump(2) + "\n";
    write("drive_json", "silent", Bytes(silent.begin(), silent.end()));
    // Changes by field name, as lmxsim set makes them.
    const std::string controller = simulator::toJson(simulator::defaultController(kControllerModels[5])).dump(2);
    for (const auto& [field, value] : std::vector<std::pair<std::string, std::string>>{
             {"raid.status", "2"}, {"members.1.present", "no"}, {"overrides.E5", "00 01 02"}}) {
        Bytes input(controller.begin(), controller.end());
        input.push_back(0);
        append(input, field);
        input.push_back(0);
        append(input, value);
        write("drive_json", "set_" + field, input);
    }
}

void tableSeeds(const std::vector<lmx::ControllerStatusRecord>& records) {
    // Two tables: the controllers in their slots, then the same with the first one rebuilding and
    // the last one lost.
    std::array<lmx::ControllerStatusRecord, 6> first{}, second{};
    for (auto& r : first) lmx::clearRecord(r);
    for (std::size_t n = 0; n < 6 && n < records.size(); ++n) {
        first[n] = records[n + (records.size() > 6 ? records.size() - 6 : 0)];
        first[n].physicalNumber = static_cast<std::uint8_t>(n);
    }
    second = first;
    second[0].raidStatus = lmx::kRaidRebuilding;
    lmx::setProgress(second[0], 100);
    second[5].present = 0;
    Bytes tray;
    appendU32(tray, lmx::kDefaultPopMsgSetting);
    appendU32(tray, 0x3C01);
    tray.push_back(0);
    tray.push_back(1);
    for (const auto* table : {&first, &second}) {
        for (const auto& r : *table) append(tray, lmx::toBytes(r));
    }
    write("tray_status", "two_tables", tray);

    Bytes output;
    appendU32(output, 0x3C01);
    appendU32(output, 0), appendU32(output, 1'700'000'000);
    output.push_back(2);
    appendU32(output, 0x4002000A), appendU32(output, 3), output.push_back(0);
    appendU32(output, 0xC0020001), appendU32(output, 1), output.push_back(0);
    for (const auto& r : second) append(output, lmx::toBytes(r));
    write("status_output", "table", output);

    Bytes encodings{0x03, 1, 2, 30, 0x40, 4};
    appendU32(encodings, 0x1E0F0281), encodings.push_back(2);
    encodings.insert(encodings.end(), {0x81, 0x82, 0x90, 3});
    appendU32(encodings, 0x1E0F0281);
    encodings.insert(encodings.end(), {1, 1, 3, 4, 5, 1, 30});
    append(encodings, lmx::toBytes(second[0]));
    encodings.push_back(1);
    encodings.resize(encodings.size() + 512, 0xF4);
    encodings.push_back(0);
    write("encodings", "record_and_pages", encodings);
}

void pipeSeeds() {
    for (std::uint8_t code = 0; code <= 14; ++code) {
        for (std::uint8_t drive : {0, 1, 3, 7}) {
            if (drive != 0 && !(code == 3 || code == 6 || code == 7 || code == 9)) continue;
            const auto request = lmx::makePipeRequest(code, drive, code == 2 ? 4 : code == 8 ? 0x3201 : 0x10);
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(&request);
            Bytes input{0x80, 0x02};  // one piece of 640 bytes
            append(input, bytes, sizeof request);
            write("pipe_server", "code_" + std::to_string(code) + "_drive_" + std::to_string(drive), input);
        }
    }
    // A slow client: the request in three pieces; and one that gives up after 100 bytes.
    const auto request = lmx::makePipeRequest(lmx::kRequestIsReady);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&request);
    Bytes slow{1, 0};
    append(slow, bytes, 1);
    slow.insert(slow.end(), {0x3F, 0x02});
    append(slow, bytes + 1, 575);
    slow.insert(slow.end(), {0x40, 0x00});
    append(slow, bytes + 576, 64);
    write("pipe_server", "slow_client", slow);
    Bytes partial{100, 0};
    partial.resize(102, lmx::kRequestSetTemperature);
    write("pipe_server", "partial", partial);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    gFolder = argv[1];
    std::vector<lmx::ControllerStatusRecord> records;
    senseSeeds();
    controllerSeeds(records);
    tableSeeds(records);
    pipeSeeds();
    return 0;
}
