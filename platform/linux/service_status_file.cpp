#include "platform/linux/service_status_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "platform/linux/service_control_channel.h"
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

// The time the process started, in clock ticks since boot (field 22 of /proc/<pid>/stat):
// with the pid it names one process for the machine's uptime, even after the pid is reused.
std::optional<std::uint64_t> processStartTime(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The command name (field 2) may hold spaces and parentheses: count from its last ')'.
    const auto close = text.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream fields(text.substr(close + 1));
    std::string field;
    for (int index = 3; fields >> field; ++index) {
        if (index == 22) return std::strtoull(field.c_str(), nullptr, 10);
    }
    return std::nullopt;
}

}  // namespace

bool acquireInstanceLock(std::string_view name) {
    // The lock file is the service's user's alone: a lock that anyone else could take would
    // keep the service from starting.
    const auto path = fileOf(name, ".lock");
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    struct stat facts{};
    if (::fstat(fd, &facts) != 0 || facts.st_uid != ::geteuid() ||
        ((facts.st_mode & 077) != 0 && ::fchmod(fd, 0600) != 0)) {
        ::close(fd);
        return false;
    }
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
    const int fd = ::open(fileOf(name, ".lock").c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd >= 0) {
        flock lock = writeLockOfWholeFile();
        const int result = fcntl(fd, F_GETLK, &lock);
        ::close(fd);
        if (result != 0 || lock.l_type == F_UNLCK) return std::nullopt;
        return lock.l_pid;
    }
    const int openError = errno;
    // Users other than the service's cannot open its lock: the process that last reported is
    // running when a process of that pid and start time still exists.
    if (const auto status = readStatus(name); status && status->processId != 0 && status->processStartTime != 0) {
        const auto pid = static_cast<pid_t>(status->processId);
        const auto started = processStartTime(pid);
        if (started && *started == status->processStartTime) return pid;
    }
    // Neither file can be read (the root's file system fails): the service's user and root
    // still find the process by its control socket.
    if (openError == EACCES || openError == ENOENT) return std::nullopt;
    const auto listening = service_control::listeningProcess(name);
    return listening ? std::optional<pid_t>(static_cast<pid_t>(*listening)) : std::nullopt;
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
        {"processStartTime", processStartTime(::getpid()).value_or(0)},
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

std::optional<StoredStatus> readStatus(std::string_view name) {
    std::ifstream in(fileOf(name, ".status"));
    if (!in) return std::nullopt;
    const auto json = nlohmann::json::parse(in, nullptr, false);
    if (!json.is_object()) return std::nullopt;
    StoredStatus status;
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
    if (json.contains("processStartTime") && json["processStartTime"].is_number_unsigned()) {
        status.processStartTime = json["processStartTime"].get<std::uint64_t>();
    }
    return status;
}

bool statusMissing(std::string_view name) {
    struct stat facts{};
    return ::lstat(fileOf(name, ".status").c_str(), &facts) != 0 && errno == ENOENT;
}

void removeFiles(std::string_view name) {
    std::error_code error;
    std::filesystem::remove(fileOf(name, ".status"), error);
}

}  // namespace platform::service_files
