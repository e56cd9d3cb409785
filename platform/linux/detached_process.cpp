#include "platform/linux/detached_process.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/win_error.h"

extern char** environ;

namespace platform {

namespace {

// What the children report through the close-on-exec pipe. The pipe reaches end-of-file
// without a failure record once the program's exec succeeded.
struct Report {
    std::int32_t kind;  // kStarted or kFailed
    std::int32_t value;  // the grandchild's pid, or the errno of the failed step
};
constexpr std::int32_t kStarted = 1;
constexpr std::int32_t kFailed = 2;

void report(int fd, std::int32_t kind, std::int32_t value) {
    const Report record{kind, value};
    [[maybe_unused]] const auto written = ::write(fd, &record, sizeof record);
}

std::vector<char*> pointersTo(const std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (const auto& text : texts) pointers.push_back(const_cast<char*>(text.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

// In the grandchild: only async-signal-safe calls from here to the exec.
[[noreturn]] void becomeProgram(const DetachedLaunch& launch, char* const* argv, char* const* envp, int reportFd) {
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal) ::sigaction(signal, &defaultAction, nullptr);

    const int null = ::open("/dev/null", O_RDWR);
    if (null < 0) {
        report(reportFd, kFailed, errno);
        ::_exit(127);
    }
    ::dup2(null, 0);
    ::dup2(launch.output >= 0 ? launch.output : null, 1);
    ::dup2(launch.output >= 0 ? launch.output : null, 2);
    if (null > 2) ::close(null);

    if (launch.runAs) {
        const auto& identity = *launch.runAs;
        if (::setgroups(identity.groups.size(), identity.groups.data()) != 0 || ::setgid(identity.gid) != 0 ||
            ::setuid(identity.uid) != 0) {
            report(reportFd, kFailed, errno);
            ::_exit(127);
        }
    }
    if (launch.workingFolder && ::chdir(launch.workingFolder->c_str()) != 0) {
        report(reportFd, kFailed, errno);
        ::_exit(127);
    }
    // Nothing of the caller's stays open in the program but the report pipe, which the exec closes.
    if (reportFd > 3) ::close_range(3, static_cast<unsigned>(reportFd) - 1, 0);
    ::close_range(static_cast<unsigned>(reportFd) + 1, ~0U, 0);

    ::execve(launch.program.c_str(), argv, envp);
    report(reportFd, kFailed, errno);
    ::_exit(127);
}

}  // namespace

bool startDetached(const DetachedLaunch& launch, pid_t* processId) {
    if (launch.arguments.empty()) {
        setLastError(kErrorInvalidParameter);
        return false;
    }
    // Everything the children need is prepared before the fork.
    const auto argv = pointersTo(launch.arguments);
    const auto envp = launch.environment ? pointersTo(*launch.environment) : std::vector<char*>();
    char* const* environment = launch.environment ? envp.data() : environ;

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        setLastError(errorFromErrno(errno));
        return false;
    }
    // Keep the write end above the standard descriptors, which the grandchild replaces.
    if (pipeFds[1] <= 2) {
        const int moved = ::fcntl(pipeFds[1], F_DUPFD_CLOEXEC, 3);
        ::close(pipeFds[1]);
        pipeFds[1] = moved;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        const int failure = errno;
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        setLastError(errorFromErrno(failure));
        return false;
    }
    if (child == 0) {
        ::close(pipeFds[0]);
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild < 0) {
            report(pipeFds[1], kFailed, errno);
            ::_exit(1);
        }
        if (grandchild == 0) becomeProgram(launch, argv.data(), environment, pipeFds[1]);
        report(pipeFds[1], kStarted, grandchild);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }

    pid_t started = -1;
    int failure = 0;
    Report record{};
    for (;;) {
        const ssize_t got = ::read(pipeFds[0], &record, sizeof record);
        if (got < 0 && errno == EINTR) continue;
        if (got != static_cast<ssize_t>(sizeof record)) break;
        if (record.kind == kStarted) started = record.value;
        if (record.kind == kFailed) failure = record.value;
    }
    ::close(pipeFds[0]);
    if (failure != 0 || started < 0) {
        setLastError(failure != 0 ? errorFromErrno(failure) : kErrorGenFailure);
        return false;
    }
    if (processId) *processId = started;
    return true;
}

}  // namespace platform
