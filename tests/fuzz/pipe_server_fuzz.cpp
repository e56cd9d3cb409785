// The service pipe as the service serves it (platform/named_pipe, service/monitor/pipe_requests
// through servePipe) in a scratch root with simulated controllers on drives 0, 2 and 3. The
// input is one client's bytes, split into the writes a slow client makes: each piece a two-byte
// length (0-4096) and that many bytes.
//
// Properties: the reply is one of the answers the pipe has (nothing, a 640-byte header, a header
// with its 512-byte log page, the 3840-byte table) and exactly the one the request's code and
// drive call for; a request that never arrived whole is not acted on; the service's state stays
// valid (the interval one of the twelve, the settings as the last whole request wrote them, the
// status table untouched); and a following status request (0) still answers with the table.

#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "common/pipe_request.h"
#include "common/service_settings.h"
#include "platform/named_pipe.h"
#include "service/monitor/monitoring_threads.h"
#include "service/monitor/pipe_requests.h"
#include "service/monitor/service_runtime.h"
#include "service/monitor/settings_store.h"
#include "simulator/drive_files.h"
#include "simulator/drive_store.h"
#include "simulator/simulated_drive.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/idle_service_workers.h"
#include "tests/support/temp_root.h"

namespace {

constexpr std::size_t kTableSize = lmx::kPipeMessageSize * lmx::kPhysicalDriveCount;
constexpr std::size_t kPieceLimit = 4096;

// The running service's pipe: made once, stopped and removed when the fuzzer exits.
struct PipeService {
    lmx::testing::TempRoot root;
    lmx::testing::IdleServiceWorkers workers;
    dwsvc::ServiceRuntime runtime{workers};
    dwsvc::DriveActions actions;
    std::unique_ptr<platform::pipes::PipeServer> server;
    std::thread serving;
    std::vector<std::uint8_t> table;  // the status table as the pipe sends it

    PipeService() {
        simulator::registerSimulatedDrives();
        simulator::createController(simulator::driveFilePath(root.path(), 0), "Lumavex ZDAP-RS481");
        simulator::createController(simulator::driveFilePath(root.path(), 2), "ZDA-GX460");
        simulator::createController(simulator::driveFilePath(root.path(), 3), "Lumavex ZDAP-RS482");
        for (int n : {0, 2, 3}) {
            auto record = runtime.table.record(n);
            record.physicalNumber = static_cast<std::uint8_t>(n);
            record.present = 1;
            lmx::setField(record.raidModel, n == 2 ? "ZDA-GX460" : "Lumavex ZDAP-RS48x");
            runtime.table.setRecord(n, record);
        }
        for (const auto& record : runtime.table.records()) {
            const auto bytes = lmx::toBytes(record);
            table.insert(table.end(), bytes.begin(), bytes.end());
        }
        server = platform::pipes::PipeServer::create(lmx::kServicePipeName, dwsvc::servicePipeOptions());
        if (!server) std::abort();
        serving = std::thread([this] { dwsvc::servePipe(runtime, *server, actions); });
    }
    ~PipeService() {
        server->stop();
        serving.join();
    }
};

PipeService* gService = nullptr;

void stopService() {
    delete gService;
    gService = nullptr;
}

PipeService& service() {
    if (!gService) {
        gService = new PipeService;
        std::atexit(stopService);
    }
    return *gService;
}

// Everything the server sends until it closes the connection.
std::vector<std::uint8_t> readReply(platform::pipes::PipeClient& client) {
    std::vector<std::uint8_t> reply(kTableSize + 1024);
    std::size_t got = 0;
    if (!client.read(reply, got)) got = 0;  // nothing came
    reply.resize(got);
    return reply;
}

std::size_t expectedReplySize(const lmx::PipeRequest& request, const PipeService& s, bool logPageRead) {
    switch (request.code) {
        case lmx::kRequestStatusTable: return kTableSize;
        case lmx::kRequestIsReady: return lmx::kPipeMessageSize;
        case lmx::kRequestLogPageF4:
        case lmx::kRequestLogPageF5:
            (void)s;
            return lmx::kPipeMessageSize + (logPageRead ? 512 : 0);
        default: return 0;
    }
}

void checkState(PipeService& s) {
    const std::uint32_t interval = s.runtime.intervalMilliseconds;
    bool known = false;
    for (unsigned bit = 0; bit < lmx::kIntervalBitCount; ++bit) known |= interval == lmx::intervalMillisecondsOfBit(bit);
    FUZZ_CHECK(known);
    FUZZ_CHECK(s.runtime.running);
    std::vector<std::uint8_t> table;
    for (const auto& record : s.runtime.table.records()) {
        const auto bytes = lmx::toBytes(record);
        table.insert(table.end(), bytes.begin(), bytes.end());
    }
    FUZZ_CHECK(table == s.table);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PipeService& s = service();
    lmx::fuzz::FuzzInput input(data, size);
    std::vector<std::vector<std::uint8_t>> pieces;
    std::vector<std::uint8_t> sent;
    while (input.remaining() > 0 && pieces.size() < 16) {
        const std::size_t length = (input.byte() | std::size_t{input.byte()} << 8) % (kPieceLimit + 1);
        pieces.push_back(input.bytes(length));
        sent.insert(sent.end(), pieces.back().begin(), pieces.back().end());
    }

    const std::uint32_t temperatureBefore = s.runtime.temperatureSetting;
    auto client = platform::pipes::PipeClient::open(lmx::kServicePipeName);
    FUZZ_CHECK(client.has_value());
    bool whole = sent.size() >= lmx::kPipeMessageSize;
    for (const auto& piece : pieces) {
        std::size_t written = 0;
        // The server may close once the request is whole; what follows is not read.
        if (!client->write(piece, written)) break;
        std::this_thread::yield();
    }
    if (!whole) {
        client->close();  // a request cut short is dropped unread
        FUZZ_CHECK(s.runtime.temperatureSetting == temperatureBefore);
    } else {
        lmx::PipeRequest request;
        std::memcpy(&request, sent.data(), sizeof request);
        const auto reply = readReply(*client);
        const bool logPage = request.code == lmx::kRequestLogPageF4 || request.code == lmx::kRequestLogPageF5;
        const bool logPageRead = logPage && reply.size() >= 3 && reply[lmx::kReplyResultOffset] == 1;
        FUZZ_CHECK(reply.size() == expectedReplySize(request, s, logPageRead));
        if (logPage) FUZZ_CHECK(!logPageRead || request.physicalNumber < lmx::kPhysicalDriveCount);
        if (request.code == lmx::kRequestStatusTable) FUZZ_CHECK(reply == s.table);
        const std::uint32_t value = lmx::requestValue(request);
        if (request.code == lmx::kRequestSetTemperature) {
            FUZZ_CHECK(s.runtime.temperatureSetting == value);
            FUZZ_CHECK(dwsvc::readSetting(dwsvc::kTemperatureSetting, 0) == value);
        }
        if (request.code == lmx::kRequestSetInterval) {
            FUZZ_CHECK(s.runtime.intervalMilliseconds == lmx::intervalMilliseconds(value));
        }
    }

    checkState(s);
    // The pipe still serves: a status request answers with the table.
    std::vector<std::uint8_t> table(kTableSize + 1);
    const auto request = lmx::makePipeRequest(lmx::kRequestStatusTable);
    const auto received = platform::pipes::callNamedPipe(
        lmx::kServicePipeName, {reinterpret_cast<const std::uint8_t*>(&request), sizeof request}, table,
        lmx::kPipeWaitMilliseconds);
    FUZZ_CHECK(received.has_value() && *received == kTableSize);
    table.resize(kTableSize);
    FUZZ_CHECK(table == s.table);
    return 0;
}
