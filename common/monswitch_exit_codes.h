#pragma once
// The exit codes of monswitch, the service's start/stop program: monswitch returns them and
// the tray application tells its outcomes apart by them.

namespace lmx::monswitch {

inline constexpr int kDone = 0;            // started (or running already), or stopped
inline constexpr int kFailed = 1;
inline constexpr int kAlreadyStopped = 2;  // stop of a service that does not run

}  // namespace lmx::monswitch
