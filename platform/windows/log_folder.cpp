#include "platform/log_folder.h"

#include <system_error>

#include "platform/system_info.h"
#include "platform/system_root.h"

namespace platform {

// Windows keeps an application's logs with its data: the folder "logs" of the system root, which
// under the default root is %ProgramData%\LMXDuowatch\logs.
std::filesystem::path systemLogFolder() { return systemRootDirectory("logs"); }

// The service manager of Windows hands a service no log folder (LOGS_DIRECTORY is systemd's):
// an installed suite's logs go to the system's log folder, any other's beside the program.
std::string programLogFolder() {
    const std::string own = programFolder();
    if (own.empty()) return own;
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::path(own) / kInstalledMarkerFile, error)) return own;
    std::string folder = systemLogFolder().string();
    if (folder.empty() || (folder.back() != '\\' && folder.back() != '/')) folder += '\\';
    return folder;
}

}  // namespace platform
