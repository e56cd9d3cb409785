#pragma once
// Service controls travel to the service's process over a local socket of its own,
// services/<name>.control in the system root. The socket is the service's user's alone (mode
// 0600), so only that user and root may control the service, as only administrators may on
// the platform the programs were written for. One control per connection: the sender writes
// the control code and waits until the service's handler has run, and the service answers
// with the outcome; so a service that sends itself a control is paced by its own handler.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace platform::service_control {

struct ControlRequest {
    std::uint32_t magic = 0;
    std::uint32_t code = 0;
};

struct ControlReply {
    std::uint32_t error = 0;  // 0 when the handler ran; else the platform's error code
};

inline constexpr std::uint32_t kControlMagic = 0x4C435356;  // "VSCL"

// Where a running service takes its controls.
std::filesystem::path controlSocketPath(std::string_view serviceName);

// The process that takes the service's controls, named by the kernel as the peer of a
// connection to its socket: found even when no file of the root can be read (an I/O error),
// for the service's user and root alone. Empty when none listens.
std::optional<int> listeningProcess(std::string_view serviceName);

// Sends the control and waits until the handler has run or the time limit passes. Returns 0,
// or the platform's error code: 1062 no such service process, 1053 no answer in time, 1061 the
// service takes no more controls (it is stopping), 5 not allowed.
std::uint32_t sendControl(std::string_view serviceName, std::uint32_t code, std::uint32_t timeoutMilliseconds);

}  // namespace platform::service_control
