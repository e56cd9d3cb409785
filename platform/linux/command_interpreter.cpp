// The command line goes to /bin/sh -c, with the working folder put at the head of PATH so that
// programs beside the caller (monswitch beside the tray program) are found by name.

#include "platform/command_interpreter.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ipc_errors.h"
#include "platform/win_error.h"

extern char** environ;

namespace platform {

namespace {

std::vector<std::string> environmentWithPathFirst(const std::filesystem::path& folder) {
    std::vector<std::string> environment;
    std::string path = "PATH=" + folder.string() + ":/usr/local/bin:/usr/bin:/bin";
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view variable(*entry);
        if (variable.starts_with("PATH=")) {
            path = "PATH=" + folder.string() + ":" + std::string(variable.substr(5));
        } else {
            environment.emplace_back(variable);
        }
    }
    environment.push_back(path);
    return environment;
}

}  // namespace

std::optional<int> runCommandInterpreter(std::string_view commandLine, const std::filesystem::path& workingFolder) {
    std::error_code error;
    if (!std::filesystem::is_directory(workingFolder, error)) {
        setLastError(kErrorDirectory);
        return std::nullopt;
    }
    const auto environment = environmentWithPathFirst(workingFolder);
    std::vector<char*> envp;
    for (const auto& variable : environment) envp.push_back(const_cast<char*>(variable.c_str()));
    envp.push_back(nullptr);
    std::string command(commandLine);
    char shell[] = "/bin/sh";
    char option[] = "-c";
    char* argv[] = {shell, option, command.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    // The command starts with no signal blocked or ignored, whatever the caller's threads do.
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int failure = posix_spawn(&pid, shell, &actions, &attributes, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (failure != 0) {
        setLastError(errorFromErrno(failure));
        return std::nullopt;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            setLastError(errorFromErrno(errno));
            return std::nullopt;
        }
    }
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

}  // namespace platform
