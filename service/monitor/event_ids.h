#pragma once
// Event-log ids of the service. Per-controller events add the physical drive number to the base.

#include <cstdint>

namespace dwsvc {

inline constexpr std::uint32_t kEventMonitoringStarted = 0x4002000A;
inline constexpr std::uint32_t kEventMonitoringStopped = 0x40020014;
inline constexpr std::uint32_t kEventStartupFailure = 0xC002001E;
// Entries the event log could not take and that were lost from it (they reached the system log).
inline constexpr std::uint32_t kEventEntriesLost = 0x80020028;
// The registry was started afresh under the running service, which wrote its key back.
inline constexpr std::uint32_t kEventRegistryRestored = 0x80020032;

inline constexpr std::uint32_t kEventStatusNormal = 0x40020064;
inline constexpr std::uint32_t kEventStatusRebuilding = 0x400200C8;
inline constexpr std::uint32_t kEventStatusRebuildStopped = 0x8002012C;
inline constexpr std::uint32_t kEventStatusError = 0x80020190;
inline constexpr std::uint32_t kEventControllerFound = 0x400201F4;
inline constexpr std::uint32_t kEventControllerLost = 0xC0020258;
inline constexpr std::uint32_t kEventPatrolStarted = 0x400202BC;
inline constexpr std::uint32_t kEventPatrolNotStarted = 0x40020320;
inline constexpr std::uint32_t kEventPatrolMissed = 0x40020383;
inline constexpr std::uint32_t kEventOverTemperature = 0x80020384;
inline constexpr std::uint32_t kEventUnreadableSectors = 0x800203E8;

}  // namespace dwsvc
