#pragma once
// What the Windows platform tests and their probe program (platform_probe.cpp) agree on.

#include <cstdint>

namespace lmx::probe {

inline constexpr const char* kProgram = "lmx_platform_probe.exe";
inline constexpr const char* kServiceName = "LMXProbeSvc";
inline constexpr std::uint32_t kProbeAdd = 0x8101;
inline constexpr std::uint32_t kProbeQuit = 0x8102;

}  // namespace lmx::probe
