#include "tests/support/small_file_system.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace lmx::testing {

namespace {
constexpr int kCannotMount = 121;
}

std::optional<int> runWithSmallFileSystem(const std::filesystem::path& folder, std::size_t bytes,
                                          const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid < 0) return std::nullopt;
    if (pid == 0) {
        // A tmpfs is world-writable by default; the root it stands in for is its owner's alone.
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            ::_exit(kCannotMount);
        }
        ::_exit(body());
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    if (WEXITSTATUS(status) == kCannotMount) return std::nullopt;
    return WEXITSTATUS(status);
}

std::filesystem::path fillUp(const std::filesystem::path& folder) {
    const auto filler = folder / "filler";
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const std::vector<char> block(4096, 'x');
    while (fd >= 0 && ::write(fd, block.data(), block.size()) > 0) {
    }
    for (char c = 'x'; fd >= 0 && ::write(fd, &c, 1) == 1;) {
    }
    if (fd >= 0) ::close(fd);
    return filler;
}

bool makeReadOnly(const std::filesystem::path& folder) {
    return ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

bool makeWritable(const std::filesystem::path& folder) {
    return ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT, nullptr) == 0;
}

}  // namespace lmx::testing
