#include "platform/log_folder.h"

#include <cstdlib>
#include <system_error>

#include "platform/system_info.h"
#include "platform/system_root.h"

namespace platform {

namespace {

constexpr const char* kMachineLogFolder = "/var/log/lmxduowatch";

std::string withSeparator(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace

std::filesystem::path systemLogFolder() {
    if (!isDefaultSystemRoot()) return systemRootDirectory("logs");
    const std::filesystem::path folder(kMachineLogFolder);
    std::error_code error;
    if (std::filesystem::create_directories(folder, error)) {
        std::filesystem::permissions(folder, std::filesystem::perms(0755), std::filesystem::perm_options::replace, error);
    }
    return folder;
}

std::string programLogFolder() {
    const char* given = std::getenv(kServiceLogsVariable);
    if (given && *given == '/') {
        const std::string_view folders(given);
        return withSeparator(std::string(folders.substr(0, folders.find(':'))));
    }
    const std::string own = programFolder();
    if (own.empty()) return own;
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::path(own) / kInstalledMarkerFile, error)) {
        return withSeparator(systemLogFolder().string());
    }
    return own;
}

}  // namespace platform
