#pragma once
// The frame's client of the service pipe: one request per connection, each exchange (wait for
// the pipe, connect, write, read, close) made while holding the pipe mutex, so the window
// thread and the worker thread never interleave. Failures are silent: the result is false.

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

#include "common/controller_status_record.h"
#include "common/pipe_request.h"
#include "tray/core/frame_settings.h"

namespace lmx::tray {

using PacketTable = std::array<ControllerStatusRecord, kPhysicalDriveCount>;

// A mirror-log page as the request for codes 6 (page 0) and 7 (page 1) leaves it.
struct LogPage {
    std::uint8_t ok = 0;  // 1 when the reply header and the page were both read
    std::array<std::uint8_t, 512> data{};
};
using LogPages = std::array<LogPage, 2>;

// What a request reads (settings) and fills (status table, log pages).
struct PipeRequestState {
    const FrameSettings& settings;
    PacketTable& currentPackets;
    LogPages& logPages;
};

class ServicePipeClient {
public:
    explicit ServicePipeClient(std::string pipeName = std::string(kServicePipeName));

    // One complete exchange for `code`. `value` is the drive number of codes 3, 4, 6, 7, 9, 12
    // (its low byte); setting codes send the cached setting. Results:
    //  0: the success of the sixth read (each read that succeeds fills its slot of currentPackets);
    //  11: written, read, and the reply's byte 2 is 1;  any other code: the write's success.
    // For codes 6 and 7 the page's `ok` is always set (0 also when the pipe could not be reached).
    bool sendRequest(std::uint8_t code, std::int32_t value, PipeRequestState state);

    // Exchanges that carry no data back: codes 1-5, 8-10, 12, 13 and 11.
    bool sendRequest(std::uint8_t code, std::int32_t value, const FrameSettings& settings);

private:
    std::string pipeName_;
    std::mutex pipeMutex_;
};

}  // namespace lmx::tray
