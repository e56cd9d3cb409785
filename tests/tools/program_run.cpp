#include "tests/tools/program_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace lmx::testing {

std::optional<SpawnedProgram> spawnProgram(const std::filesystem::path& program, const std::string& argv0,
                                           const std::vector<std::string>& arguments) {
    std::vector<std::string> texts = {argv0};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);

    int output[2];
    if (::pipe2(output, O_CLOEXEC) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    pid_t pid = -1;
    const int failure = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    if (failure != 0) {
        ::close(output[0]);
        return std::nullopt;
    }
    return SpawnedProgram{pid, output[0]};
}

ProgramRun runProgram(const std::filesystem::path& program, const std::string& argv0,
                      const std::vector<std::string>& arguments) {
    ProgramRun run;
    const auto spawned = spawnProgram(program, argv0, arguments);
    if (!spawned) return run;
    const auto [pid, output] = *spawned;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(output, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        run.output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(output);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace lmx::testing
