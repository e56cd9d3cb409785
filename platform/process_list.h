#pragma once
// The running processes as the Tool Help functions list them, and ending one (OpenProcess,
// TerminateProcess). Process ids are the system's.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/native_handle.h"

namespace platform::processes {

inline constexpr std::uint32_t kProcessTerminate = 0x0001;
inline constexpr std::uint32_t kProcessAllAccess = 0x1F0FFF;

struct ProcessEntry {
    std::uint32_t processId = 0;
    std::uint32_t parentProcessId = 0;
    std::string exeFile;  // the program file's name without its folder
};

// CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS) with Process32First / Process32Next: the
// processes that run now on this system, in order of process id. Processes that have ended
// are not listed, nor those of another system root, which stands for another machine.
// Empty, with the last error set, when the list cannot be read.
std::optional<std::vector<ProcessEntry>> snapshotProcesses();

// Module32First of a process's module snapshot: the full path of its program file. Empty with
// 5 when the caller may not look into the process, 87 when there is no such process.
std::optional<std::filesystem::path> firstModulePath(std::uint32_t processId);

// An open process: it stays the same process even if its id is reused after it ends.
class ProcessHandle {
public:
    // OpenProcess: 87 when no such process runs, 5 when the caller may not act on it.
    static std::optional<ProcessHandle> open(std::uint32_t desiredAccess, std::uint32_t processId);
    ~ProcessHandle();  // CloseHandle
    ProcessHandle(ProcessHandle&&) noexcept;
    ProcessHandle& operator=(ProcessHandle&&) noexcept;

    std::uint32_t processId() const { return processId_; }
    // TerminateProcess: ends the process at once, as killed (the system chooses the exit
    // status, not `exitCode`). False with 5 when refused or when the process has already ended.
    bool terminate(std::uint32_t exitCode);

private:
    ProcessHandle(NativeHandle handle, std::uint32_t processId) : descriptor_(handle), processId_(processId) {}
    NativeHandle descriptor_ = kInvalidNativeHandle;
    std::uint32_t processId_ = 0;
};

}  // namespace platform::processes
