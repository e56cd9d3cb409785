#include "platform/command_line.h"

namespace platform {

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    std::vector<std::string> words;
    for (int i = 0; i < argc && argv[i]; ++i) words.emplace_back(argv[i]);
    return words;
}

}  // namespace platform
