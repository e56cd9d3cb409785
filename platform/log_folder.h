#pragma once
// Where a program keeps the log files it writes beside itself (the service's temperature
// logs). The programs were made to write them into their own folder. An installed suite's
// program folder is never written at run time: its logs go to the system's log folder.

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// The file the install rules lay into the program folder of an installed suite.
inline constexpr std::string_view kInstalledMarkerFile = "lmxduowatch-installed";

// The folder systemd hands a service with LogsDirectory= (the first one named).
inline constexpr const char* kServiceLogsVariable = "LOGS_DIRECTORY";

// The system's log folder: /var/log/lmxduowatch for the default system root, the folder "logs"
// inside any other root (a root of one's own stands for a machine of its own). Created, with
// its parents, when missing.
std::filesystem::path systemLogFolder();

// The folder, with a trailing separator, for the log files a program writes beside itself:
// the folder the service manager gave the service (LOGS_DIRECTORY), else systemLogFolder() when
// the program runs from an installed suite (its folder holds kInstalledMarkerFile), else the
// program's own folder. Empty when the program's own path cannot be read.
std::string programLogFolder();

}  // namespace platform
