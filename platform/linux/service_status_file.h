#pragma once
// Where a service process keeps its reported status and proves it runs: under services/ in the
// system root, a status file written atomically and a lock file (the service's user's alone)
// that the running process holds a record lock on for its whole life, so a crashed process
// never looks alive. Other users, who cannot open the lock, find the running process by the
// pid and start time in the status file.

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/service_types.h"

namespace platform::service_files {

// Takes the service's lock for the life of the process; false when another process holds it.
bool acquireInstanceLock(std::string_view name);
// The pid of the service's running process, if any.
std::optional<pid_t> runningProcess(std::string_view name);

// The status file: readable by every user, replaced atomically, never locked.
struct StoredStatus : ServiceStatus {
    std::uint64_t processStartTime = 0;  // of the process that wrote it (clock ticks since boot)
};
bool writeStatus(std::string_view name, const ServiceStatus& status);
std::optional<StoredStatus> readStatus(std::string_view name);
// True when the service has written no status file (a process that holds the lock has not
// reported yet); false too when the file exists but cannot be read.
bool statusMissing(std::string_view name);
void removeFiles(std::string_view name);

}  // namespace platform::service_files
