#pragma once
// Service controls travel to the service's process as a queued real-time signal carrying the
// control code; the dispatcher takes them from a signalfd together with SIGTERM and SIGINT.

#include <sys/types.h>

#include <cstdint>

namespace platform {

int serviceControlSignal();
bool sendServiceControl(pid_t pid, std::uint32_t code);

}  // namespace platform
