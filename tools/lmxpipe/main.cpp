// lmxpipe: talks to the running service over its pipe, one request per call, as the tray
// application does: shows the status table, asks for a refresh, changes settings, starts or
// stops a verify, silences a buzzer, saves a mirror-log page; and reads the service's event log.

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/controller_status_record.h"
#include "common/pipe_request.h"
#include "common/product_version.h"
#include "platform/command_line.h"
#include "platform/named_pipe.h"
#include "platform/version_record.h"
#include "tools/lmxpipe/event_listing.h"
#include "tools/lmxpipe/record_json.h"

LMX_DEFINE_VERSION_RECORD("LMX Duowatch Pipe Client", LMX_PRODUCT_VERSION, LMX_LEGAL_COPYRIGHT);

namespace {

constexpr const char* kUsage =
    "usage: lmxpipe COMMAND [ARGUMENT]\n"
    "  status [--json|--raw]  the six controller status records (--json: as JSON; --raw: each record\n"
    "                         in hex, one line per record, printed as it arrives)\n"
    "  events [--since TIME] [--json]  the service's event log (TIME: @SECONDS, YYYY-MM-DD[ hh:mm[:ss]])\n"
    "  ready                  whether the service has loaded its status table\n"
    "  refresh                poll at once and notify the tray application\n"
    "  set-interval MASK      IntervalSetting (e.g. 0x10 = 5 minutes)\n"
    "  set-patrol VALUE       PatrolSetting\n"
    "  set-temperature VALUE  TemperatureSetting (e.g. 0x3C01 = alarm on at 60 C)\n"
    "  set-popup VALUE        PopMsgSetting\n"
    "  set-dialog VALUE       DialogSetting\n"
    "  start-verify N | stop-verify N | end-verify N | silence N\n"
    "  log N f4|f5 [FILE]     a mirror-log page (hex on standard output, or raw into FILE)\n";

std::optional<std::uint32_t> number(const char* text) {
    if (!text || !*text) return std::nullopt;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 0);
    if (*end != '\0' || value > 0xFFFFFFFFul) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

// One exchange: the request, then `replySize` bytes at most (fewer when the service sends fewer).
std::optional<std::vector<std::uint8_t>> exchange(const lmx::PipeRequest& request, std::size_t replySize) {
    std::vector<std::uint8_t> reply(replySize);
    const auto received = platform::pipes::callNamedPipe(
        lmx::kServicePipeName, {reinterpret_cast<const std::uint8_t*>(&request), sizeof request}, reply,
        lmx::kPipeWaitMilliseconds);
    if (!received) return std::nullopt;
    reply.resize(*received);
    return reply;
}

const char* raidStatusName(std::uint8_t status) {
    switch (status) {
        case lmx::kRaidNormal: return "normal";
        case lmx::kRaidError: return "error";
        case lmx::kRaidRebuilding: return "rebuilding";
        case lmx::kRaidRebuildStopped: return "rebuild stopped";
        default: return "undefined";
    }
}

void printRecord(const lmx::ControllerStatusRecord& record) {
    if (!record.present) {
        std::printf("drive %u: no controller\n", record.physicalNumber);
        return;
    }
    std::printf("drive %u: RAID No.%u %.*s  serial %.*s  firmware %.*s\n", record.physicalNumber, record.ordinal + 1u,
                static_cast<int>(lmx::trimmedField(record.raidModel).size()), lmx::trimmedField(record.raidModel).data(),
                static_cast<int>(lmx::trimmedField(record.raidSerial).size()), lmx::trimmedField(record.raidSerial).data(),
                static_cast<int>(lmx::trimmedField(record.raidFirmware).size()), lmx::trimmedField(record.raidFirmware).data());
    std::printf("  status %s, patrol %u, progress %u, capacity %llu sectors\n", raidStatusName(record.raidStatus),
                record.patrolState, lmx::progress(record), static_cast<unsigned long long>(lmx::raidCapacity(record)));
    for (std::size_t k = 0; k < lmx::kMemberSlotCount; ++k) {
        const auto& slot = record.drive[k];
        if (!slot.status && !slot.model[0]) continue;
        const auto model = lmx::trimmedField(slot.model);
        std::printf("  member %zu: status 0x%X extra 0x%02X %.*s", k, slot.status, slot.statusExtra,
                    static_cast<int>(model.size()), model.data());
        if (slot.temperatureValid) std::printf(", %u C", slot.temperature);
        std::printf("\n");
    }
}

int fail(const char* what) {
    std::fprintf(stderr, "lmxpipe: %s\n", what);
    return 1;
}

// `status --json`: the six records as one JSON array.
int printStatusJson() {
    const auto reply = exchange(lmx::makePipeRequest(lmx::kRequestStatusTable), 6 * lmx::kPipeMessageSize);
    if (!reply || reply->size() != 6 * lmx::kPipeMessageSize) return fail("the service did not answer");
    std::array<lmx::ControllerStatusRecord, lmx::kPhysicalDriveCount> records{};
    for (std::size_t n = 0; n < records.size(); ++n) {
        records[n] = lmx::recordFromBytes(std::span<const std::uint8_t, lmx::kStatusRecordSize>(
            reply->data() + n * lmx::kPipeMessageSize, lmx::kStatusRecordSize));
    }
    std::printf("%s\n", lmxpipe::statusTableJson(records).c_str());
    return 0;
}

// Request 0 with each 640-byte record printed in hex the moment it has arrived whole.
int printRawStatus() {
    const auto request = lmx::makePipeRequest(lmx::kRequestStatusTable);
    if (!platform::pipes::waitNamedPipe(lmx::kServicePipeName, lmx::kPipeWaitMilliseconds)) return fail("the service did not answer");
    auto pipe = platform::pipes::PipeClient::open(lmx::kServicePipeName);
    std::size_t written = 0;
    if (!pipe || !pipe->write({reinterpret_cast<const std::uint8_t*>(&request), sizeof request}, written)) {
        return fail("the service did not answer");
    }
    for (int n = 0; n < lmx::kPhysicalDriveCount; ++n) {
        std::array<std::uint8_t, lmx::kPipeMessageSize> record{};
        std::size_t got = 0;
        if (!pipe->read(record, got) || got != record.size()) return fail("the service sent fewer than six records");
        for (const auto byte : record) std::printf("%02X", byte);
        std::printf("\n");
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const platform::Utf8CommandLine utf8(argc, argv);
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string_view command = argv[1];
    const char* argument = argc > 2 ? argv[2] : nullptr;
    struct Simple {
        std::string_view name;
        std::uint8_t code;
        bool takesDrive;
    };
    static constexpr Simple kSimple[] = {
        {"refresh", lmx::kRequestRefresh, false},          {"set-interval", lmx::kRequestSetInterval, false},
        {"set-patrol", lmx::kRequestSetPatrol, false},     {"set-temperature", lmx::kRequestSetTemperature, false},
        {"set-popup", lmx::kRequestSetPopMsg, false},      {"set-dialog", lmx::kRequestSetDialog, false},
        {"start-verify", lmx::kRequestStartVerify, true},  {"stop-verify", lmx::kRequestStopVerify, true},
        {"end-verify", lmx::kRequestEndVerify, true},      {"silence", lmx::kRequestSilenceBuzzer, true},
    };
    if (command == "status" && argc == 3 && std::string_view(argv[2]) == "--json") return printStatusJson();
    if (command == "events") return lmxpipe::runEventsCommand({argv + 2, argv + argc});
    if (command == "status" && argument && std::string_view(argument) == "--raw") return printRawStatus();
    if (command == "status") {
        const auto reply = exchange(lmx::makePipeRequest(lmx::kRequestStatusTable), 6 * lmx::kPipeMessageSize);
        if (!reply || reply->size() != 6 * lmx::kPipeMessageSize) return fail("the service did not answer");
        for (std::size_t n = 0; n < 6; ++n) {
            printRecord(lmx::recordFromBytes(
                std::span<const std::uint8_t, lmx::kStatusRecordSize>(reply->data() + n * lmx::kPipeMessageSize, lmx::kStatusRecordSize)));
        }
        return 0;
    }
    if (command == "ready") {
        const auto reply = exchange(lmx::makePipeRequest(lmx::kRequestIsReady), lmx::kPipeMessageSize);
        if (!reply || reply->size() != lmx::kPipeMessageSize) return fail("the service did not answer");
        std::printf("%s\n", (*reply)[lmx::kReplyResultOffset] ? "ready" : "not ready");
        return 0;
    }
    if (command == "log") {
        const auto drive = number(argument);
        const std::string_view page = argc > 3 ? argv[3] : "";
        if (!drive || *drive > 5 || (page != "f4" && page != "f5")) return fail("log needs a drive 0-5 and f4 or f5");
        const auto code = page == "f4" ? lmx::kRequestLogPageF4 : lmx::kRequestLogPageF5;
        const auto reply = exchange(lmx::makePipeRequest(code, static_cast<std::uint8_t>(*drive)), lmx::kPipeMessageSize + 512);
        if (!reply || reply->size() < lmx::kPipeMessageSize) return fail("the service did not answer");
        if (!(*reply)[lmx::kReplyResultOffset] || reply->size() != lmx::kPipeMessageSize + 512) {
            return fail("the controller's log page could not be read");
        }
        if (argc > 4) {
            std::ofstream out(argv[4], std::ios::binary);
            out.write(reinterpret_cast<const char*>(reply->data() + lmx::kPipeMessageSize), 512);
            return out ? 0 : fail("cannot write the file");
        }
        for (std::size_t i = 0; i < 512; ++i) std::printf("%02X%c", (*reply)[lmx::kPipeMessageSize + i], i % 16 == 15 ? '\n' : ' ');
        return 0;
    }
    for (const auto& simple : kSimple) {
        if (command != simple.name) continue;
        const auto value = simple.code == lmx::kRequestRefresh ? std::optional<std::uint32_t>(0) : number(argument);
        if (!value || (simple.takesDrive && *value > 5)) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        const auto request = simple.takesDrive ? lmx::makePipeRequest(simple.code, static_cast<std::uint8_t>(*value))
                                               : lmx::makePipeRequest(simple.code, 0, *value);
        return exchange(request, 0) ? 0 : fail("the service did not answer");
    }
    std::fputs(kUsage, stderr);
    return 2;
}
