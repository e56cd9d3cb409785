// Processes from /proc; a process handle is a pidfd, so that it keeps naming the process it
// was opened for.

#include "platform/process_list.h"

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <utility>

#include "platform/win_error.h"

namespace platform::processes {

namespace {

const std::filesystem::path kProc = "/proc";

// Called through syscall(): the C library's declarations of these are not usable from C++ everywhere.
int openPidFd(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }
int signalPidFd(int descriptor, int signal) { return static_cast<int>(::syscall(SYS_pidfd_send_signal, descriptor, signal, nullptr, 0)); }

std::optional<std::filesystem::path> executableOf(std::uint32_t processId, int& failure) {
    std::error_code error;
    auto target = std::filesystem::read_symlink(kProc / std::to_string(processId) / "exe", error);
    if (error) {
        failure = error.value();
        return std::nullopt;
    }
    // A program file deleted or replaced since it started.
    auto text = target.string();
    constexpr std::string_view kDeleted = " (deleted)";
    if (text.ends_with(kDeleted)) text.resize(text.size() - kDeleted.size());
    return std::filesystem::path(text);
}

// From /proc/<pid>/stat: the state letter and the parent's id follow the parenthesised name.
bool readStat(std::uint32_t processId, char& state, std::uint32_t& parent) {
    std::ifstream in(kProc / std::to_string(processId) / "stat");
    std::string line;
    if (!std::getline(in, line)) return false;
    const auto close = line.rfind(')');
    if (close == std::string::npos || close + 4 > line.size()) return false;
    state = line[close + 2];
    parent = static_cast<std::uint32_t>(std::strtoul(line.c_str() + close + 4, nullptr, 10));
    return true;
}

std::string commandName(std::uint32_t processId) {
    std::ifstream in(kProc / std::to_string(processId) / "comm");
    std::string name;
    std::getline(in, name);
    return name;
}

}  // namespace

std::optional<std::vector<ProcessEntry>> snapshotProcesses() {
    std::error_code error;
    std::filesystem::directory_iterator folders(kProc, error);
    if (error) {
        setLastError(errorFromErrno(error.value()));
        return std::nullopt;
    }
    std::vector<ProcessEntry> entries;
    for (const auto& folder : folders) {
        const auto name = folder.path().filename().string();
        if (name.empty() || !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
        ProcessEntry entry;
        entry.processId = static_cast<std::uint32_t>(std::stoul(name));
        char state = 0;
        if (!readStat(entry.processId, state, entry.parentProcessId) || state == 'Z' || state == 'X') continue;
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
