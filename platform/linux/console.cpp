#include "platform/console.h"

#include <signal.h>
#include <unistd.h>

namespace platform {

namespace {

// Ctrl+C (SIGINT), the terminal going away (SIGHUP) and a termination request (SIGTERM).
constexpr int kInterrupts[] = {SIGINT, SIGHUP, SIGTERM};

// Read by the signal handler: a lock-free atomic, as only those may be used there.
std::atomic<std::atomic<bool>*> gInterruptFlag{nullptr};
static_assert(std::atomic<std::atomic<bool>*>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onInterrupt(int) {
    if (std::atomic<bool>* flag = gInterruptFlag.load()) flag->store(true);
}

void setHandler(int signalNumber, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // A read or write under way is resumed rather than failed.
    action.sa_flags = SA_RESTART;
    sigaction(signalNumber, &action, nullptr);
}

}  // namespace

bool standardErrorIsConsole() { return ::isatty(STDERR_FILENO) == 1; }

void writeConsoleText(std::FILE* stream, std::string_view text) { std::fwrite(text.data(), 1, text.size(), stream); }

void catchConsoleInterrupts(std::atomic<bool>& flag) {
    gInterruptFlag.store(&flag);
    for (const int signalNumber : kInterrupts) setHandler(signalNumber, onInterrupt);
    setHandler(SIGPIPE, SIG_IGN);
}

void releaseConsoleInterrupts() {
    for (const int signalNumber : kInterrupts) setHandler(signalNumber, SIG_DFL);
    setHandler(SIGPIPE, SIG_DFL);
    gInterruptFlag.store(nullptr);
}

}  // namespace platform
