#pragma once
// The running processes as the Tool Help functions list them, and ending one (OpenProcess,
// TerminateProcess). Process ids are the system's.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/native_handle.h"

namespace platform::processes {

inline constexpr std::uint32_t kProcessTerminate = 0x0001;
inline constexpr std::uint32_t kProcessAllAccess = 0x1F0FFF;

struct ProcessEntry {
    std::uint32_t processId = 0;
    std::uint32_t parentProcessId = 0;
    std::string exeFile;  // the program file's name without its folder
    std::uint32_t userId = 0;      // the user the process runs for (its real user)
    std::uint64_t startTime = 0;   // when it started, in the system's units: with the id, the process
};

// Whether a listed process runs the suite's program `program`, named as the suite names its
// programs ("dwsvc", without the platform's file suffix), ignoring the case of ASCII letters.
bool runsProgram(const ProcessEntry& entry, std::string_view program);

// The user the calling process acts as, to compare with ProcessEntry::userId.
std::uint32_t currentUserId();

// CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS) with Process32First / Process32Next: the
// processes that run now on this system, in order of process id. Processes that have ended
// are not listed, nor those of another system root, which stands for another machine.
// Empty, with the last error set, when the list cannot be read.
std::optional<std::vector<ProcessEntry>> snapshotProcesses();

// Module32First of a process's module snapshot: the full path of its program file. Empty with
// 5 when the caller may not look into the process, 87 when there is no such process.
std::optional<std::filesystem::path> firstModulePath(std::uint32_t processId);

// An open process: it stays the same process even if its id is reused after it ends, and
// everything read through it is that process's.
class ProcessHandle {
public:
    // OpenProcess: 87 when no such process runs, 5 when the caller may not act on it.
    static std::optional<ProcessHandle> open(std::uint32_t desiredAccess, std::uint32_t processId);
    ~ProcessHandle();  // CloseHandle
    ProcessHandle(ProcessHandle&&) noexcept;
    ProcessHandle& operator=(ProcessHandle&&) noexcept;

    std::uint32_t processId() const { return processId_; }
    // The process as it is now, read through the handle (so never another process that got its
    // id): name, parent, user and start time. Empty with 87 once it has ended.
    std::optional<ProcessEntry> describe() const;
    // Whether the process's program file is still there and readable by the caller, judged from
    // what the system keeps about the running process; the file itself is never opened, so a
    // name that another user turned into something that blocks an open cannot hold the caller.
    // 0; 2 when the file has been deleted (or the process has none, or has ended); 5 when the
    // caller may not look into the process or read its program file.
    std::uint32_t checkProgramFile() const;
    // TerminateProcess: ends the process at once, as killed (the system chooses the exit
    // status, not `exitCode`). False with 5 when refused or when the process has already ended.
    bool terminate(std::uint32_t exitCode);

private:
    ProcessHandle(NativeHandle handle, NativeHandle facts, std::uint32_t processId)
        : descriptor_(handle), facts_(facts), processId_(processId) {}
    void close();
    NativeHandle descriptor_ = kInvalidNativeHandle;
    NativeHandle facts_ = kInvalidNativeHandle;  // where the system keeps what it knows of the process
    std::uint32_t processId_ = 0;
};

}  // namespace platform::processes
