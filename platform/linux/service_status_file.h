#pragma once
// Where a service process keeps its reported status and proves it runs: under services/ in the
// system root, a status file written atomically and a lock file that the running process
// holds a record lock on for its whole life (so a crashed process never looks alive).

#include <sys/types.h>

#include <optional>
#include <string_view>

#include "platform/service_types.h"

namespace platform::service_files {

// Takes the service's lock for the life of the process; false when another process holds it.
bool acquireInstanceLock(std::string_view name);
// The pid of the process that holds the service's lock, if any.
std::optional<pid_t> runningProcess(std::string_view name);

bool writeStatus(std::string_view name, const ServiceStatus& status);
std::optional<ServiceStatus> readStatus(std::string_view name);
void removeFiles(std::string_view name);

}  // namespace platform::service_files
