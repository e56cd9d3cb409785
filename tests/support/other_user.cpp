#include "tests/support/other_user.h"

#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace lmx::testing {

namespace {

// In the child: the other user's identity, for good.
void becomeOtherUser(const std::vector<gid_t>& groups = {}) {
    if (::setgroups(groups.size(), groups.data()) != 0 || ::setresgid(kOtherGroupId, kOtherGroupId, kOtherGroupId) != 0 ||
        ::setresuid(kOtherUserId, kOtherUserId, kOtherUserId) != 0) {
        ::_exit(120);
    }
}

int exitCodeOf(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

}  // namespace

bool canActAsOtherUser() { return ::geteuid() == 0; }

void openToOtherUsers(const std::filesystem::path& folder) {
    for (auto path = folder; !path.empty() && path != path.root_path(); path = path.parent_path()) {
        struct stat facts{};
        if (::stat(path.c_str(), &facts) == 0) ::chmod(path.c_str(), (facts.st_mode & 07777) | 0055);
    }
}

OtherUserProcess::OtherUserProcess(std::function<bool(const Report& report)> body) {
    int channel[2];
    if (::pipe(channel) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::close(channel[0]);
        becomeOtherUser();
        const int out = channel[1];
        const Report report = [out](const std::string& line) {
            const std::string text = line + "\n";
            [[maybe_unused]] const auto written = ::write(out, text.data(), text.size());
        };
        const bool hold = body(report);
        ::close(out);
        if (hold) ::pause();
        ::_exit(0);
    }
    ::close(channel[1]);
    reports_ = channel[0];
}

OtherUserProcess::~OtherUserProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        exitCodeOf(pid_);
    }
    if (reports_ >= 0) ::close(reports_);
}

std::string OtherUserProcess::waitForReport() {
    std::string line;
    char c = 0;
    while (reports_ >= 0 && ::read(reports_, &c, 1) == 1 && c != '\n') line += c;
    return line;
}

int runAsOtherUser(const std::function<int()>& body, const std::vector<gid_t>& supplementaryGroups) {
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        becomeOtherUser(supplementaryGroups);
        ::_exit(body());
    }
    return exitCodeOf(pid);
}

}  // namespace lmx::testing
