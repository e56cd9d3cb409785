#pragma once
// What the system knows of a process, read through a handle opened with at least
// PROCESS_QUERY_LIMITED_INFORMATION (and PROCESS_VM_READ for its environment, SYNCHRONIZE to
// tell whether it has ended).

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace platform::win32 {

// The user a token acts for as a number: a hash of its SID, never 0 (0 stands for "unknown").
std::optional<std::uint32_t> tokenUserId(HANDLE token);
std::optional<std::uint32_t> processUserId(HANDLE process);

// GetProcessTimes' creation time, in 100 ns units since 1601.
std::optional<std::uint64_t> processStartTime(HANDLE process);

// The parent's id as the system recorded it at the start (NtQueryInformationProcess).
std::optional<std::uint32_t> parentProcessId(HANDLE process);

// QueryFullProcessImageNameW: the program file's full path.
std::optional<std::wstring> processImagePath(HANDLE process);

// The value of LMXDUOWATCH_ROOT in the process's environment, read from its memory; empty
// when it has none or the environment cannot be read.
std::optional<std::string> processRootVariable(HANDLE process);

bool processRunning(HANDLE process);

}  // namespace platform::win32
