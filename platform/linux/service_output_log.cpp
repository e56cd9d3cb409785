#include "platform/linux/service_output_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "platform/log_folder.h"
#include "platform/system_info.h"
#include "platform/system_root.h"

namespace platform::service_log {

std::filesystem::path logPathFor(const std::filesystem::path& program) {
    // The system's log folder: /var/log/lmxduowatch for the default root, <root>/logs in another.
    return systemLogFolder() / (program.filename().string() + ".log");
}

socket_io::Descriptor openLog(const std::filesystem::path& log) {
    systemLogFolder();
    return socket_io::Descriptor(::open(log.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0640));
}

void keepBounded(std::uint64_t limit) {
    static std::mutex rotation;
    std::lock_guard lock(rotation);
    const auto program = systemInfo().programPath();
    if (!program) return;
    const auto log = logPathFor(*program);
    // What the service printed is in the file before its size is looked at.
    std::fflush(stdout);
    std::fflush(stderr);
    struct stat output{};
    struct stat atPath{};
    // Only a service whose output is its own log rotates it.
    if (::fstat(STDOUT_FILENO, &output) != 0 || !S_ISREG(output.st_mode) || ::lstat(log.c_str(), &atPath) != 0 ||
        output.st_dev != atPath.st_dev || output.st_ino != atPath.st_ino ||
        static_cast<std::uint64_t>(output.st_size) <= limit) {
        return;
    }
    auto older = log;
    older += ".1";
    if (::rename(log.c_str(), older.c_str()) != 0) return;
    const auto fresh = openLog(log);
    if (!fresh.valid()) return;
    struct stat error{};
    const bool errorToLog = ::fstat(STDERR_FILENO, &error) == 0 && error.st_dev == output.st_dev && error.st_ino == output.st_ino;
    ::dup2(fresh.get(), STDOUT_FILENO);
    if (errorToLog) ::dup2(fresh.get(), STDERR_FILENO);
}

}  // namespace platform::service_log
