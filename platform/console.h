#pragma once
// Console programs: whether standard error is an interactive console, and Ctrl+C taken as a
// request to the program instead of its end (SetConsoleCtrlHandler).

#include <atomic>

namespace platform {

// True when standard error is a terminal (a console window), so that a line may be rewritten
// in place.
bool standardErrorIsConsole();

// From now on Ctrl+C, Ctrl+Break, the console closing and a request to terminate set `flag`
// instead of ending the process, and writing to a closed output no longer ends it either.
// `flag` must stay valid until releaseConsoleInterrupts.
void catchConsoleInterrupts(std::atomic<bool>& flag);
// The default handling again: Ctrl+C ends the process.
void releaseConsoleInterrupts();

}  // namespace platform
