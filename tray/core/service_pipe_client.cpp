#include "tray/core/service_pipe_client.h"

#include <algorithm>
#include <optional>
#include <span>

#include "platform/named_pipe.h"

namespace lmx::tray {

namespace {

using Buffer = std::array<std::uint8_t, kPipeMessageSize>;

// One 640-byte write followed by a flush; success is the write's.
bool writeRequest(platform::pipes::PipeClient& pipe, const PipeRequest& request) {
    std::size_t written = 0;
    const bool ok = pipe.write({reinterpret_cast<const std::uint8_t*>(&request), sizeof request}, written);
    pipe.flush();
    return ok;
}

// One read of up to 640 bytes; success is the read call's, the byte count is not examined.
bool readReply(platform::pipes::PipeClient& pipe, Buffer& buffer) {
    std::size_t read = 0;
    return pipe.read(buffer, read);
}

std::uint32_t settingFor(std::uint8_t code, const FrameSettings& settings) {
    switch (code) {
        case kRequestSetInterval: return settings.interval;
        case kRequestSetPatrol: return settings.patrol;
        case kRequestSetTemperature: return settings.temperature;
        case kRequestSetPopMsg: return settings.popMsg;
        case kRequestSetDialog: return settings.dialog;
        default: return 0;
    }
}

bool carriesDrive(std::uint8_t code) {
    switch (code) {
        case kRequestStartVerify:
        case kRequestStopVerify:
        case kRequestLogPageF4:
        case kRequestLogPageF5:
        case kRequestSilenceBuzzer:
        case kRequestEndVerify: return true;
        default: return false;
    }
}

bool isLogRequest(std::uint8_t code) { return code == kRequestLogPageF4 || code == kRequestLogPageF5; }

}  // namespace

ServicePipeClient::ServicePipeClient(std::string pipeName) : pipeName_(std::move(pipeName)) {}

bool ServicePipeClient::sendRequest(std::uint8_t code, std::int32_t value, PipeRequestState state) {
    std::optional<LogPage*> logPage;
    if (isLogRequest(code)) {
        logPage = &state.logPages[code == kRequestLogPageF4 ? 0 : 1];
        (*logPage)->ok = 0;
    }

    std::lock_guard hold(pipeMutex_);
    if (!platform::pipes::waitNamedPipe(pipeName_, kPipeWaitMilliseconds)) return false;
    auto pipe = platform::pipes::PipeClient::open(pipeName_);
    if (!pipe) return false;

    const std::uint8_t drive = carriesDrive(code) ? static_cast<std::uint8_t>(value & 0xFF) : 0;
    const PipeRequest request = makePipeRequest(code, drive, settingFor(code, state.settings));
    const bool written = writeRequest(*pipe, request);
    Buffer reply{};

    switch (code) {
        case kRequestStatusTable: {
            if (!written) return false;
            bool lastRead = false;
            for (auto& packet : state.currentPackets) {
                reply.fill(0);
                lastRead = readReply(*pipe, reply);
                if (lastRead) packet = recordFromBytes(std::span<const std::uint8_t, kStatusRecordSize>(reply));
            }
            return lastRead;
        }
        case kRequestIsReady:
            return written && readReply(*pipe, reply) && reply[kReplyResultOffset] == 1;
        case kRequestLogPageF4:
        case kRequestLogPageF5: {
            // The header's flag is not examined: the page read fails when the service sent none.
            if (written && readReply(*pipe, reply)) {
                Buffer page{};
                if (readReply(*pipe, page)) {
                    (*logPage)->ok = 1;
                    std::copy_n(page.begin(), (*logPage)->data.size(), (*logPage)->data.begin());
                }
            }
            return written;
        }
        default:
            return written;
    }
}

bool ServicePipeClient::sendRequest(std::uint8_t code, std::int32_t value, const FrameSettings& settings) {
    PacketTable unusedPackets{};
    LogPages unusedPages{};
    return sendRequest(code, value, PipeRequestState{settings, unusedPackets, unusedPages});
}

}  // namespace lmx::tray
