#include "platform/console.h"

#include <io.h>
#include <windows.h>

#include "platform/windows/console_text.h"
#include "platform/windows/wide_text.h"

namespace platform {

namespace win32 {

std::string inCodePage(std::string_view utf8, unsigned codePage) {
    if (codePage == CP_UTF8) return std::string(utf8);
    const std::wstring wide = widen(utf8);
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int length = ::WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(codePage, 0, wide.data(), size, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

}  // namespace win32

namespace {

// Read by the console's handler thread: a lock-free atomic.
std::atomic<std::atomic<bool>*> gInterruptFlag{nullptr};

// Ctrl+C, Ctrl+Break, the console window closing, the user logging off and the system shutting
// down. For the last three the system ends the process once the handler returns (or after its
// time limit): the flag lets the program's main thread begin to stop meanwhile.
BOOL WINAPI onConsoleControl(DWORD) {
    if (std::atomic<bool>* flag = gInterruptFlag.load()) {
        flag->store(true);
        return TRUE;
    }
    return FALSE;
}

HANDLE consoleOf(std::FILE* stream) {
    const int descriptor = ::_fileno(stream);
    if (descriptor < 0) return nullptr;
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(descriptor));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) ? handle : nullptr;
}

}  // namespace

bool standardErrorIsConsole() { return consoleOf(stderr) != nullptr; }

void writeConsoleText(std::FILE* stream, std::string_view text) {
    if (const HANDLE console = consoleOf(stream)) {
        // WriteConsoleW shows the characters themselves, whatever the console's code page
        // (GetConsoleOutputCP) is; what the stream holds goes first, to keep the order.
        std::fflush(stream);
        const std::wstring wide = win32::widen(text);
        std::size_t done = 0;
        while (done < wide.size()) {
            DWORD written = 0;
            const auto chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
            if (!::WriteConsoleW(console, wide.data() + done, chunk, &written, nullptr) || written == 0) break;
            done += written;
        }
        if (done == wide.size()) return;
        // A console that took nothing more gets the rest as bytes in its code page.
        const std::string rest = win32::narrow(std::wstring_view(wide).substr(done));
        const std::string bytes = win32::inCodePage(rest, ::GetConsoleOutputCP());
        std::fwrite(bytes.data(), 1, bytes.size(), stream);
        return;
    }
    // Redirected to a file or a pipe: bytes in the system's code page, as other programs'
    // output there is and as the reader (a batch file, findstr, a log) reads it.
    const std::string bytes = win32::inCodePage(text, ::GetACP());
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

void catchConsoleInterrupts(std::atomic<bool>& flag) {
    gInterruptFlag.store(&flag);
    ::SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

// Windows has no signal for writing to a closed output: such a write fails (232) and the program
// goes on, so there is nothing to restore for it.
void releaseConsoleInterrupts() {
    ::SetConsoleCtrlHandler(onConsoleControl, FALSE);
    gInterruptFlag.store(nullptr);
}

}  // namespace platform
