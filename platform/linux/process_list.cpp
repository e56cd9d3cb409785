// Processes from /proc; a process handle is a pidfd, so that it keeps naming the process it
// was opened for.

#include "platform/process_list.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <utility>

#include "platform/system_root.h"
#include "platform/win_error.h"

namespace platform::processes {

namespace {

const std::filesystem::path kProc = "/proc";

// Called through syscall(): the C library's declarations of these are not usable from C++ everywhere.
int openPidFd(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }
int signalPidFd(int descriptor, int signal) { return static_cast<int>(::syscall(SYS_pidfd_send_signal, descriptor, signal, nullptr, 0)); }

std::string procPath(std::uint32_t processId, const char* file) {
    return "/proc/" + std::to_string(processId) + "/" + file;
}

// A /proc file read whole with plain reads (these files are small, and a snapshot reads three
// of every process). Empty when it cannot be read.
std::string readProcFile(std::uint32_t processId, const char* file) {
    std::string text;
    const int descriptor = ::open(procPath(processId, file).c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(descriptor);
    return text;
}

std::optional<std::filesystem::path> executableOf(std::uint32_t processId, int& failure) {
    char target[PATH_MAX];
    const ssize_t length = ::readlink(procPath(processId, "exe").c_str(), target, sizeof target);
    if (length < 0) {
        failure = errno;
        return std::nullopt;
    }
    // A program file deleted or replaced since it started.
    std::string_view text(target, static_cast<std::size_t>(length));
    constexpr std::string_view kDeleted = " (deleted)";
    if (text.ends_with(kDeleted)) text.remove_suffix(kDeleted.size());
    return std::filesystem::path(text);
}

// From /proc/<pid>/stat: the state letter and the parent's id follow the parenthesised name.
bool readStat(std::uint32_t processId, char& state, std::uint32_t& parent) {
    const std::string line = readProcFile(processId, "stat");
    const auto close = line.rfind(')');
    if (close == std::string::npos || close + 4 > line.size()) return false;
    state = line[close + 2];
    parent = static_cast<std::uint32_t>(std::strtoul(line.c_str() + close + 4, nullptr, 10));
    return true;
}

std::string commandName(std::uint32_t processId) {
    std::string name = readProcFile(processId, "comm");
    if (!name.empty() && name.back() == '\n') name.pop_back();
    return name;
}

// The system root a process belongs to, as its environment names it: LMXDUOWATCH_ROOT, or the
// default root when it has none or its environment cannot be read (another user's process,
// such as a service run by the system for a user's tray program).
std::string rootOf(std::uint32_t processId) {
    const std::string environment = readProcFile(processId, "environ");
    constexpr std::string_view kVariable = "LMXDUOWATCH_ROOT=";
    for (std::size_t at = 0; at < environment.size();) {
        const std::size_t end = std::min(environment.find('\0', at), environment.size());
        const std::string_view variable(environment.data() + at, end - at);
        if (variable.starts_with(kVariable) && variable.size() > kVariable.size()) return std::string(variable.substr(kVariable.size()));
        at = end + 1;
    }
    return defaultSystemRoot();
}

// Tells whether processes belong to this process's system root. A root is one machine: the
// processes of another root (a test's, a demonstration's) are not this machine's.
class RootMatcher {
public:
    RootMatcher() : own_(canonical(systemRoot().string())) {}
    bool ours(std::uint32_t processId) {
        const std::string root = rootOf(processId);
        auto known = canonicalRoots_.find(root);
        if (known == canonicalRoots_.end()) known = canonicalRoots_.emplace(root, canonical(root)).first;
        return known->second == own_;
    }

private:
    static std::filesystem::path canonical(const std::string& root) {
        std::error_code error;
        auto path = std::filesystem::weakly_canonical(root, error);
        return error ? std::filesystem::path(root).lexically_normal() : path;
    }
    std::filesystem::path own_;
    std::map<std::string, std::filesystem::path> canonicalRoots_;
};

}  // namespace

std::optional<std::vector<ProcessEntry>> snapshotProcesses() {
    std::error_code error;
    std::filesystem::directory_iterator folders(kProc, error);
    if (error) {
        setLastError(errorFromErrno(error.value()));
        return std::nullopt;
    }
    std::vector<ProcessEntry> entries;
    RootMatcher sameRoot;
    for (const auto& folder : folders) {
        const auto name = folder.path().filename().string();
        if (name.empty() || !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
        ProcessEntry entry;
        entry.processId = static_cast<std::uint32_t>(std::stoul(name));
        char state = 0;
        if (!readStat(entry.processId, state, entry.parentProcessId) || state == 'Z' || state == 'X') continue;
        if (!sameRoot.ours(entry.processId)) continue;
        int failure = 0;
        const auto program = executableOf(entry.processId, failure);
        entry.exeFile = program ? program->filename().string() : commandName(entry.processId);
        if (!entry.exeFile.empty()) entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(), [](const ProcessEntry& a, const ProcessEntry& b) { return a.processId < b.processId; });
    return entries;
}

std::optional<std::filesystem::path> firstModulePath(std::uint32_t processId) {
    int failure = 0;
    auto program = executableOf(processId, failure);
    if (!program) setLastError(failure == ENOENT ? kErrorInvalidParameter : errorFromErrno(failure));
    return program;
}

std::optional<ProcessHandle> ProcessHandle::open(std::uint32_t, std::uint32_t processId) {
    if (processId == 0) {
        setLastError(kErrorInvalidParameter);
        return std::nullopt;
    }
    const int descriptor = openPidFd(static_cast<pid_t>(processId));
    if (descriptor < 0) {
        setLastError(errno == ESRCH ? kErrorInvalidParameter : errorFromErrno(errno));
        return std::nullopt;
    }
    // Signal 0 asks only whether the caller may signal the process at all.
    if (signalPidFd(descriptor, 0) != 0) {
        const int failure = errno;
        ::close(descriptor);
        setLastError(failure == ESRCH ? kErrorInvalidParameter : errorFromErrno(failure));
        return std::nullopt;
    }
    return ProcessHandle(descriptor, processId);
}

ProcessHandle::~ProcessHandle() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

ProcessHandle::ProcessHandle(ProcessHandle&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), processId_(other.processId_) {}

ProcessHandle& ProcessHandle::operator=(ProcessHandle&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) ::close(descriptor_);
        descriptor_ = std::exchange(other.descriptor_, -1);
        processId_ = other.processId_;
    }
    return *this;
}

bool ProcessHandle::terminate(std::uint32_t) {
    if (descriptor_ < 0) {
        setLastError(kErrorInvalidHandle);
        return false;
    }
    if (signalPidFd(descriptor_, SIGKILL) != 0) {
        setLastError(errno == EBADF ? kErrorInvalidHandle : kErrorAccessDenied);
        return false;
    }
    return true;
}

}  // namespace platform::processes
