#include "platform/linux/service_status_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "platform/system_root.h"

namespace platform::service_files {

namespace {

std::filesystem::path fileOf(std::string_view name, std::string_view extension) {
    return systemRootDirectory("services") / (std::string(name) + std::string(extension));
}

// Names of the services whose lock this process holds: a record lock does not show up in
// F_GETLK for its own holder.
std::mutex gHeldLock;
std::set<std::string, std::less<>> gHeldNames;

flock writeLockOfWholeFile() {
    flock lock{};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return lock;
}

}  // namespace

bool acquireInstanceLock(std::string_view name) {
    const int fd = ::open(fileOf(name, ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    flock lock = writeLockOfWholeFile();
    if (fcntl(fd, F_SETLK, &lock) != 0) {
        ::close(fd);
        return false;
    }
    // The descriptor stays open, and the lock held, until the process ends.
    std::lock_guard held(gHeldLock);
    gHeldNames.emplace(name);
    return true;
}

std::optional<pid_t> runningProcess(std::string_view name) {
    {
        std::lock_guard held(gHeldLock);
        if (gHeldNames.contains(name)) return getpid();
    }
    const int fd = ::open(fileOf(name, ".lock").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    flock lock = writeLockOfWholeFile();
    const int result = fcntl(fd, F_GETLK, &lock);
    ::close(fd);
    if (result != 0 || lock.l_type == F_UNLCK) return std::nullopt;
    return lock.l_pid;
}

bool writeStatus(std::string_view name, const ServiceStatus& status) {
    const nlohmann::json json = {
        {"serviceType", status.serviceType},
        {"currentState", status.currentState},
        {"controlsAccepted", status.controlsAccepted},
        {"win32ExitCode", status.win32ExitCode},
        {"serviceSpecificExitCode", status.serviceSpecificExitCode},
        {"checkPoint", status.checkPoint},
        {"waitHint", status.waitHint},
        {"processId", status.processId},
    };
    static std::mutex writeLock;  // the handler's thread and the service's threads both report
    std::lock_guard serialised(writeLock);
    const auto target = fileOf(name, ".status");
    auto temporary = target;
    temporary += ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << json.dump(2) << '\n';
        if (!out.flush()) return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, target, error);
    return !error;
}

std::optional<ServiceStatus> readStatus(std::string_view name) {
    std::ifstream in(fileOf(name, ".status"));
    if (!in) return std::nullopt;
    const auto json = nlohmann::json::parse(in, nullptr, false);
    if (!json.is_object()) return std::nullopt;
    ServiceStatus status;
    const auto field = [&](const char* key, std::uint32_t& target) {
        if (json.contains(key) && json[key].is_number_unsigned()) target = json[key].get<std::uint32_t>();
    };
    field("serviceType", status.serviceType);
    field("currentState", status.currentState);
    field("controlsAccepted", status.controlsAccepted);
    field("win32ExitCode", status.win32ExitCode);
    field("serviceSpecificExitCode", status.serviceSpecificExitCode);
    field("checkPoint", status.checkPoint);
    field("waitHint", status.waitHint);
    field("processId", status.processId);
    return status;
}

void removeFiles(std::string_view name) {
    std::error_code error;
    std::filesystem::remove(fileOf(name, ".status"), error);
}

}  // namespace platform::service_files
