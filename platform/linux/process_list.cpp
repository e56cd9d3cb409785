// Processes from /proc; a process handle is a pidfd, so that it keeps naming the process it
// was opened for, with the process's /proc folder opened while it was known to be that process.

#include "platform/process_list.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <utility>

#include "common/ascii_text.h"
#include "platform/system_root.h"
#include "platform/win_error.h"

namespace platform::processes {

namespace {

const std::filesystem::path kProc = "/proc";

// Called through syscall(): the C library's declarations of these are not usable from C++ everywhere.
int openPidFd(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }
int signalPidFd(int descriptor, int signal) { return static_cast<int>(::syscall(SYS_pidfd_send_signal, descriptor, signal, nullptr, 0)); }

std::string procPath(std::uint32_t processId) { return "/proc/" + std::to_string(processId); }

// A process's folder in /proc, open: names read through it are that process's, and reading them
// fails once it has ended, even if its id has been given to another process meanwhile.
int openProcFolder(std::uint32_t processId) {
    return ::open(procPath(processId).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// A /proc file read whole with plain reads (these files are small, and a snapshot reads four
// of every process). Empty when it cannot be read.
std::string readProcFile(int folder, const char* file) {
    std::string text;
    const int descriptor = ::openat(folder, file, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
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

// The program file's path as the system names it; the file itself is not touched.
std::optional<std::filesystem::path> executableOf(int folder, int& failure) {
    char target[PATH_MAX];
    const ssize_t length = ::readlinkat(folder, "exe", target, sizeof target);
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

struct StatFacts {
    char state = 0;
    std::uint32_t parent = 0;
    std::uint64_t startTime = 0;
};

// From /proc/<pid>/stat: the fields after the parenthesised name, the state letter first; the
// parent's id is the second of them and the start time (in clock ticks since boot) the 20th.
std::optional<StatFacts> readStat(int folder) {
    const std::string line = readProcFile(folder, "stat");
    const auto close = line.rfind(')');
    if (close == std::string::npos || close + 4 > line.size()) return std::nullopt;
    StatFacts facts;
    facts.state = line[close + 2];
    const char* field = line.c_str() + close + 3;
    for (int index = 1; index <= 19; ++index) {
        char* end = nullptr;
        const unsigned long long value = std::strtoull(field, &end, 10);
        if (end == field) return std::nullopt;
        if (index == 1) facts.parent = static_cast<std::uint32_t>(value);
        if (index == 19) facts.startTime = value;
        field = end;
    }
    return facts;
}

// The real user from /proc/<pid>/status ("Uid:\treal\teffective\tsaved\tfile").
std::optional<std::uint32_t> readUser(int folder) {
    const std::string status = readProcFile(folder, "status");
    constexpr std::string_view kUid = "\nUid:";
    const auto at = status.find(kUid);
    if (at == std::string::npos) return std::nullopt;
    const char* field = status.c_str() + at + kUid.size();
    char* end = nullptr;
    const unsigned long value = std::strtoul(field, &end, 10);
    if (end == field) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::string commandName(int folder) {
    std::string name = readProcFile(folder, "comm");
    if (!name.empty() && name.back() == '\n') name.pop_back();
    return name;
}

// A live process's entry from its open /proc folder: its program file's name, or the name the
// system keeps for a process without one (a kernel thread). Empty for a process that has ended,
// including one that has ended but is not yet reaped.
std::optional<ProcessEntry> readEntry(int folder, std::uint32_t processId) {
    const auto stat = readStat(folder);
    if (!stat || stat->state == 'Z' || stat->state == 'X') return std::nullopt;
    const auto user = readUser(folder);
    if (!user) return std::nullopt;
    ProcessEntry entry;
    entry.processId = processId;
    entry.parentProcessId = stat->parent;
    entry.startTime = stat->startTime;
    entry.userId = *user;
    int failure = 0;
    const auto program = executableOf(folder, failure);
    entry.exeFile = program ? program->filename().string() : commandName(folder);
    if (entry.exeFile.empty()) return std::nullopt;
    return entry;
}

// The system root a process belongs to, as its environment names it: LMXDUOWATCH_ROOT, or the
// default root when it has none or its environment cannot be read (another user's process,
// such as a service run by the system for a user's tray program).
std::string rootOf(int folder) {
    const std::string environment = readProcFile(folder, "environ");
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
    bool ours(int folder) {
        const std::string root = rootOf(folder);
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
        const auto processId = static_cast<std::uint32_t>(std::stoul(name));
        const int facts = openProcFolder(processId);
        if (facts < 0) continue;
        auto entry = readEntry(facts, processId);
        if (entry && sameRoot.ours(facts)) entries.push_back(std::move(*entry));
        ::close(facts);
    }
    std::sort(entries.begin(), entries.end(), [](const ProcessEntry& a, const ProcessEntry& b) { return a.processId < b.processId; });
    return entries;
}

std::uint32_t currentUserId() { return static_cast<std::uint32_t>(::geteuid()); }

std::optional<std::filesystem::path> firstModulePath(std::uint32_t processId) {
    const int folder = openProcFolder(processId);
    int failure = errno;
    std::optional<std::filesystem::path> program;
    if (folder >= 0) {
        program = executableOf(folder, failure);
        ::close(folder);
    }
    if (!program) setLastError(failure == ENOENT || failure == ESRCH ? kErrorInvalidParameter : errorFromErrno(failure));
    return program;
}

std::optional<ProcessHandle> ProcessHandle::open(std::uint32_t, std::uint32_t processId) {
    if (processId == 0) {
        setLastError(kErrorInvalidParameter);
        return std::nullopt;
    }
    // The pidfd first: from then on it names this process and no other. The /proc folder opened
    // next is the same process's as long as that process has not ended in between, which the
    // signal 0 below tells (an id is given again only once its process is gone and reaped).
    const int descriptor = openPidFd(static_cast<pid_t>(processId));
    if (descriptor < 0) {
        setLastError(errno == ESRCH ? kErrorInvalidParameter : errorFromErrno(errno));
        return std::nullopt;
    }
    const int facts = openProcFolder(processId);
    const int opened = errno;
    // Signal 0 also asks whether the caller may signal the process at all.
    if (facts < 0 || signalPidFd(descriptor, 0) != 0) {
        const int failure = facts < 0 ? opened : errno;
        ::close(descriptor);
        if (facts >= 0) ::close(facts);
        setLastError(failure == ESRCH || failure == ENOENT ? kErrorInvalidParameter : errorFromErrno(failure));
        return std::nullopt;
    }
    return ProcessHandle(descriptor, facts, processId);
}

void ProcessHandle::close() {
    if (descriptor_ >= 0) ::close(static_cast<int>(descriptor_));
    if (facts_ >= 0) ::close(static_cast<int>(facts_));
    descriptor_ = kInvalidNativeHandle;
    facts_ = kInvalidNativeHandle;
}

ProcessHandle::~ProcessHandle() { close(); }

ProcessHandle::ProcessHandle(ProcessHandle&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, kInvalidNativeHandle)),
      facts_(std::exchange(other.facts_, kInvalidNativeHandle)),
      processId_(other.processId_) {}

ProcessHandle& ProcessHandle::operator=(ProcessHandle&& other) noexcept {
    if (this != &other) {
        close();
        descriptor_ = std::exchange(other.descriptor_, kInvalidNativeHandle);
        facts_ = std::exchange(other.facts_, kInvalidNativeHandle);
        processId_ = other.processId_;
    }
    return *this;
}

std::optional<ProcessEntry> ProcessHandle::describe() const {
    auto entry = facts_ >= 0 ? readEntry(static_cast<int>(facts_), processId_) : std::nullopt;
    if (!entry) setLastError(kErrorInvalidParameter);
    return entry;
}

std::uint32_t ProcessHandle::checkProgramFile() const {
    if (facts_ < 0) return kErrorInvalidHandle;
    const int folder = static_cast<int>(facts_);
    int failure = 0;
    if (!executableOf(folder, failure)) return failure == EACCES || failure == EPERM ? kErrorAccessDenied : kErrorFileNotFound;
    // Through the exe link the system reaches the very file the process runs, whatever has been
    // put at its name since; it has no name left when it was deleted (or replaced by a rename).
    struct stat program{};
    if (::fstatat(folder, "exe", &program, 0) != 0) return errno == EACCES || errno == EPERM ? kErrorAccessDenied : kErrorFileNotFound;
    if (program.st_nlink == 0) return kErrorFileNotFound;
    if (::faccessat(folder, "exe", R_OK, AT_EACCESS) != 0) return errno == ENOENT || errno == ESRCH ? kErrorFileNotFound : kErrorAccessDenied;
    return kErrorSuccess;
}

bool ProcessHandle::terminate(std::uint32_t) {
    if (descriptor_ < 0) {
        setLastError(kErrorInvalidHandle);
        return false;
    }
    if (signalPidFd(static_cast<int>(descriptor_), SIGKILL) != 0) {
        setLastError(errno == EBADF ? kErrorInvalidHandle : kErrorAccessDenied);
        return false;
    }
    return true;
}

bool runsProgram(const ProcessEntry& entry, std::string_view program) {
    return lmx::equalIgnoringAsciiCase(entry.exeFile, program);
}

}  // namespace platform::processes
