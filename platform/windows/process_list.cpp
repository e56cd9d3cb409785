// Processes from a Tool Help snapshot; a process handle is the system's own, which keeps
// naming the process it was opened for even after its id is given to another.

#include "platform/process_list.h"

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <utility>

#include "common/ascii_text.h"
#include "platform/system_root.h"
#include "platform/win_error.h"
#include "platform/windows/process_facts.h"
#include "platform/windows/wide_text.h"

namespace platform::processes {

namespace {

HANDLE asHandle(NativeHandle handle) { return reinterpret_cast<HANDLE>(handle); }

class Snapshot {
public:
    Snapshot(DWORD flags, DWORD processId) : handle_(::CreateToolhelp32Snapshot(flags, processId)) {}
    ~Snapshot() {
        if (valid()) ::CloseHandle(handle_);
    }
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// A root's path in one spelling: the same root whatever its case or slashes.
std::string foldedRoot(const std::string& root) {
    std::string folded = std::filesystem::path(root).lexically_normal().string();
    for (char& c : folded) c = c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    while (folded.size() > 3 && folded.back() == '\\') folded.pop_back();
    return folded;
}

// The system root a process belongs to: its LMXDUOWATCH_ROOT, or the default root when it has
// none or its environment cannot be read (another user's process, such as the service).
std::string rootOf(HANDLE process) {
    const auto root = process ? win32::processRootVariable(process) : std::nullopt;
    return foldedRoot(root ? *root : std::string(defaultSystemRoot()));
}

}  // namespace

std::uint32_t currentUserId() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return 0;
    const auto user = win32::tokenUserId(token);
    ::CloseHandle(token);
    return user.value_or(0);
}

std::optional<std::vector<ProcessEntry>> snapshotProcesses() {
    const Snapshot snapshot(TH32CS_SNAPPROCESS, 0);
    if (!snapshot.valid()) {
        setLastError(::GetLastError());
        return std::nullopt;
    }
    const std::string ownRoot = foldedRoot(systemRoot().string());
    std::vector<ProcessEntry> entries;
    PROCESSENTRY32W listed{};
    listed.dwSize = sizeof listed;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &listed); more; more = ::Process32NextW(snapshot.get(), &listed)) {
        if (listed.th32ProcessID == 0) continue;
        ProcessEntry entry;
        entry.processId = listed.th32ProcessID;
        entry.parentProcessId = listed.th32ParentProcessID;
        entry.exeFile = win32::narrow(listed.szExeFile);
        // What the snapshot does not say is read from the process, where the caller may.
        HANDLE process =
            ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, listed.th32ProcessID);
        if (!process) process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, listed.th32ProcessID);
        bool keep = true;
        if (process) {
            keep = win32::processRunning(process);
            entry.userId = win32::processUserId(process).value_or(0);
            entry.startTime = win32::processStartTime(process).value_or(0);
        }
        keep = keep && rootOf(process) == ownRoot;
        if (process) ::CloseHandle(process);
        if (keep) entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(), [](const ProcessEntry& a, const ProcessEntry& b) { return a.processId < b.processId; });
    return entries;
}

std::optional<std::filesystem::path> firstModulePath(std::uint32_t processId) {
    const Snapshot snapshot(TH32CS_SNAPMODULE, processId);
    if (!snapshot.valid()) {
        setLastError(::GetLastError());
        return std::nullopt;
    }
    MODULEENTRY32W module{};
    module.dwSize = sizeof module;
    if (!::Module32FirstW(snapshot.get(), &module)) {
        setLastError(::GetLastError());
        return std::nullopt;
    }
    return std::filesystem::path(std::wstring(module.szExePath));
}

std::optional<ProcessHandle> ProcessHandle::open(std::uint32_t desiredAccess, std::uint32_t processId) {
    if (processId == 0) {
        setLastError(kErrorInvalidParameter);
        return std::nullopt;
    }
    const HANDLE process = ::OpenProcess(desiredAccess | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, processId);
    if (!process) {
        setLastError(::GetLastError());
        return std::nullopt;
    }
    // A process that has ended but is still held open by someone is no running process.
    if (!win32::processRunning(process)) {
        ::CloseHandle(process);
        setLastError(kErrorInvalidParameter);
        return std::nullopt;
    }
    return ProcessHandle(reinterpret_cast<NativeHandle>(process), kInvalidNativeHandle, processId);
}

void ProcessHandle::close() {
    if (descriptor_ != kInvalidNativeHandle) ::CloseHandle(asHandle(descriptor_));
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
    const HANDLE process = asHandle(descriptor_);
    if (descriptor_ == kInvalidNativeHandle || !win32::processRunning(process)) {
        setLastError(kErrorInvalidParameter);
        return std::nullopt;
    }
    const auto image = win32::processImagePath(process);
    const auto user = win32::processUserId(process);
    const auto start = win32::processStartTime(process);
    if (!image || !user || !start) {
        setLastError(::GetLastError());
        return std::nullopt;
    }
    ProcessEntry entry;
    entry.processId = processId_;
    entry.parentProcessId = win32::parentProcessId(process).value_or(0);
    entry.exeFile = std::filesystem::path(*image).filename().string();
    entry.userId = *user;
    entry.startTime = *start;
    return entry;
}

std::uint32_t ProcessHandle::checkProgramFile() const {
    if (descriptor_ == kInvalidNativeHandle) return kErrorInvalidHandle;
    const HANDLE process = asHandle(descriptor_);
    if (!win32::processRunning(process)) return kErrorFileNotFound;
    const auto image = win32::processImagePath(process);
    if (!image) return ::GetLastError() == ERROR_ACCESS_DENIED ? kErrorAccessDenied : kErrorFileNotFound;
    // The attributes come from the file system's directory; the file is not opened, so nothing
    // another user put at that name can hold the caller.
    if (::GetFileAttributesW(image->c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error == ERROR_ACCESS_DENIED ? kErrorAccessDenied : kErrorFileNotFound;
    }
    return kErrorSuccess;
}

bool ProcessHandle::terminate(std::uint32_t exitCode) {
    if (descriptor_ == kInvalidNativeHandle) {
        setLastError(kErrorInvalidHandle);
        return false;
    }
    // Windows refuses to end a process that has ended (Wine does not): the same answer here.
    if (!win32::processRunning(asHandle(descriptor_)) || !::TerminateProcess(asHandle(descriptor_), exitCode)) {
        setLastError(kErrorAccessDenied);
        return false;
    }
    return true;
}

bool runsProgram(const ProcessEntry& entry, std::string_view program) {
    // Windows lists a program by its file name, with its ".exe".
    constexpr std::string_view kSuffix = ".exe";
    const std::string_view name = entry.exeFile;
    if (lmx::equalIgnoringAsciiCase(name, program)) return true;
    return name.size() == program.size() + kSuffix.size() &&
           lmx::equalIgnoringAsciiCase(name.substr(0, program.size()), program) &&
           lmx::equalIgnoringAsciiCase(name.substr(program.size()), kSuffix);
}

}  // namespace platform::processes
