#pragma once
// The program's command-line arguments as UTF-8, as the rest of the suite takes text. On
// Windows main() receives them in the system's code page, which has no room for most
// characters (a Japanese file name on an English system) and garbles them; the wide command
// line (GetCommandLineW, split by CommandLineToArgvW) keeps them all. On Linux they are the
// bytes the caller passed, as they are.

#include <string>
#include <vector>

namespace platform {

// The arguments, the program's own name first. `argc` and `argv` are main's, used where the
// system keeps no other copy (Linux) or when the wide command line cannot be read.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Replaces main's `argc` and `argv` by the UTF-8 arguments, which stay valid as long as this
// object lives: `platform::Utf8CommandLine utf8(argc, argv);` first in main.
class Utf8CommandLine {
public:
    Utf8CommandLine(int& argc, char**& argv) : words_(commandLineArguments(argc, argv)) {
        pointers_.reserve(words_.size() + 1);
        for (auto& word : words_) pointers_.push_back(word.data());
        pointers_.push_back(nullptr);
        argc = static_cast<int>(words_.size());
        argv = pointers_.data();
    }
    Utf8CommandLine(const Utf8CommandLine&) = delete;
    Utf8CommandLine& operator=(const Utf8CommandLine&) = delete;

private:
    std::vector<std::string> words_;
    std::vector<char*> pointers_;
};

}  // namespace platform
