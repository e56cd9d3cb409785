#pragma once
// The service pipe's wire format: one 640-byte request per connection, and the 640-byte reply
// header of the requests that answer with a result flag.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/byte_order.h"

namespace lmx {

inline constexpr std::string_view kServicePipeName = "\\\\.\\pipe\\LMXDuowatchSvc";
inline constexpr std::size_t kPipeMessageSize = 640;
inline constexpr std::uint32_t kPipeTimeOutMilliseconds = 3000;
inline constexpr std::uint32_t kPipeWaitMilliseconds = 5000;

enum PipeRequestCode : std::uint8_t {
    kRequestStatusTable = 0,
    kRequestRefresh = 1,
    kRequestSetInterval = 2,
    kRequestStartVerify = 3,
    kRequestStopVerify = 4,
    kRequestSetPatrol = 5,
    kRequestLogPageF4 = 6,
    kRequestLogPageF5 = 7,
    kRequestSetTemperature = 8,
    kRequestSilenceBuzzer = 9,
    kRequestSetPopMsg = 10,
    kRequestIsReady = 11,
    kRequestEndVerify = 12,
    kRequestSetDialog = 13,
};

struct PipeRequest {
    std::uint8_t code;
    std::uint8_t physicalNumber;
    std::uint8_t reserved2[2];
    std::uint8_t value[4];  // little-endian
    std::uint8_t reserved8[632];
};

static_assert(sizeof(PipeRequest) == kPipeMessageSize);
static_assert(offsetof(PipeRequest, physicalNumber) == 1);
static_assert(offsetof(PipeRequest, value) == 4);
static_assert(offsetof(PipeRequest, reserved8) == 8);

// Reply header of requests 6, 7 and 11: all zero but the result flag.
inline constexpr std::size_t kReplyResultOffset = 2;
using PipeReplyHeader = std::array<std::uint8_t, kPipeMessageSize>;

inline PipeRequest makePipeRequest(std::uint8_t code, std::uint8_t physicalNumber = 0, std::uint32_t value = 0) {
    PipeRequest request{};
    request.code = code;
    request.physicalNumber = physicalNumber;
    storeLittleEndian(request.value, value);
    return request;
}

inline std::uint32_t requestValue(const PipeRequest& request) { return loadLittleEndian<std::uint32_t>(request.value); }

inline PipeReplyHeader makeReplyHeader(bool result) {
    PipeReplyHeader header{};
    header[kReplyResultOffset] = result ? 1 : 0;
    return header;
}

}  // namespace lmx
