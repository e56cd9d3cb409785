// Started by the session tests through launchInSession: records how it was started in
// probe.txt in the system root, written whole at once.

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string statusLine(const std::string& key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key + ":", 0) == 0) return line.substr(line.find_first_not_of(" \t", key.size() + 1));
    }
    return "";
}

// Descriptors beyond standard input, output and error that came with the program.
int inheritedDescriptors() {
    DIR* folder = ::opendir("/proc/self/fd");
    if (!folder) return -1;
    int count = 0;
    while (const dirent* entry = ::readdir(folder)) {
        const int fd = std::atoi(entry->d_name);
        if (entry->d_name[0] != '.' && fd > 2 && fd != ::dirfd(folder)) ++count;
    }
    ::closedir(folder);
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    const char* root = std::getenv("LMXDUOWATCH_ROOT");
    if (!root) return 1;
    std::error_code error;
    std::ostringstream out;
    out << "argc=" << argc << "\n"
        << "argv0=" << (argc > 0 ? argv[0] : "") << "\n"
        << "root=" << root << "\n"
        << "blocked=" << statusLine("SigBlk") << "\n"
        << "ignored=" << statusLine("SigIgn") << "\n"
        << "inherited=" << inheritedDescriptors() << "\n"
        << "stdin=" << std::filesystem::read_symlink("/proc/self/fd/0", error).string() << "\n"
        << "leader=" << (::getsid(0) == ::getpid() ? 1 : 0) << "\n"
        << "sameSession=" << (::getsid(0) == ::getsid(::getppid()) ? 1 : 0) << "\n";
    const std::filesystem::path target = std::filesystem::path(root) / "probe.txt";
    auto temporary = target;
    temporary += ".tmp";
    {
        std::ofstream file(temporary);
        file << out.str();
    }
    std::filesystem::rename(temporary, target, error);
    return 0;
}
