#pragma once
// What the pipe tests share: request patterns, a serving thread that echoes each request
// marked as answered, and one client exchange with it.

#include <atomic>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/named_pipe.h"

namespace platform::pipes::pipe_testing {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::string_view kPipe = "\\\\.\\pipe\\LMXDuowatchSvc";
inline constexpr std::size_t kRecord = 640;

inline Bytes pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}

inline bool writeAll(PipeClient& client, const Bytes& bytes) {
    std::size_t written = 0;
    return client.write(bytes, written) && written == bytes.size();
}

inline PipeServer::Options requestsOf(std::size_t size, std::uint32_t timeoutMilliseconds = 10'000) {
    PipeServer::Options options;
    options.requestSize = size;
    options.requestTimeoutMilliseconds = timeoutMilliseconds;
    return options;
}

// The server thread answers each request with the request marked as answered.
inline void echoUntilStopped(PipeServer& server, std::atomic<std::uint32_t>& served) {
    Bytes request(kRecord);
    while (auto client = server.nextRequest(request)) {
        request[0] = 0xA5;
        std::size_t count = 0;
        if (client->write(request, count)) ++served;
    }
}

inline bool exchange(std::uint16_t tag) {
    Bytes request(kRecord, 0);
    request[4] = static_cast<std::uint8_t>(tag);
    request[5] = static_cast<std::uint8_t>(tag >> 8);
    Bytes reply(kRecord);
    const auto got = callNamedPipe(kPipe, request, reply, 5'000);
    return got == kRecord && reply[0] == 0xA5 && reply[4] == request[4] && reply[5] == request[5];
}

}  // namespace platform::pipes::pipe_testing
