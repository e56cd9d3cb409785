// cmd.exe /c in the given working folder, waited for: cmd looks for a program named without a
// folder in the working folder first, then along PATH, as the callers expect.

#include "platform/command_interpreter.h"

#include <windows.h>

#include <string>

#include "platform/win_error.h"
#include "platform/windows/wide_text.h"

namespace platform {

namespace {

std::wstring interpreterPath() {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return L"cmd.exe";
    return std::wstring(folder, length) + L"\\cmd.exe";
}

}  // namespace

std::optional<int> runCommandInterpreter(std::string_view commandLine, const std::filesystem::path& workingFolder) {
    std::error_code error;
    if (!std::filesystem::is_directory(workingFolder, error)) {
        setLastError(ERROR_DIRECTORY);
        return std::nullopt;
    }
    const std::wstring interpreter = interpreterPath();
    std::wstring line = L"cmd.exe /c " + win32::widen(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    // Without a console window of its own: the callers are the tray application and tools.
    if (!::CreateProcessW(interpreter.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                          workingFolder.c_str(), &startup, &started)) {
        setLastError(::GetLastError());
        return std::nullopt;
    }
    ::CloseHandle(started.hThread);
    ::WaitForSingleObject(started.hProcess, INFINITE);
    DWORD exitCode = 0;
    const BOOL known = ::GetExitCodeProcess(started.hProcess, &exitCode);
    const DWORD failure = ::GetLastError();
    ::CloseHandle(started.hProcess);
    if (!known) {
        setLastError(failure);
        return std::nullopt;
    }
    return static_cast<int>(exitCode);
}

}  // namespace platform
