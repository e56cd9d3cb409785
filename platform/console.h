#pragma once
// Console programs: whether standard error is an interactive console, texts written so that the
// console shows them, and Ctrl+C taken as a request to the program instead of its end
// (SetConsoleCtrlHandler).

#include <atomic>
#include <cstdio>
#include <string_view>

namespace platform {

// True when standard error is a terminal (a console window), so that a line may be rewritten
// in place.
bool standardErrorIsConsole();

// Writes the UTF-8 `text` to `stream` (standard output or error) as its reader reads it: to a
// console in the console's own characters (WriteConsoleW), to a file or pipe in the system's
// code page (932 on a Japanese Windows); on Linux, where both are UTF-8, as it is.
void writeConsoleText(std::FILE* stream, std::string_view text);

// From now on Ctrl+C, Ctrl+Break, the console closing and a request to terminate set `flag`
// instead of ending the process, and writing to a closed output no longer ends it either.
// `flag` must stay valid until releaseConsoleInterrupts.
void catchConsoleInterrupts(std::atomic<bool>& flag);
// The default handling again: Ctrl+C ends the process.
void releaseConsoleInterrupts();

}  // namespace platform
