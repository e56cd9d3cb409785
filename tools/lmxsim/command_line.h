#pragma once
// lmxsim's command line: an optional --root, a command, the drive number it works on and the
// command's own arguments and options.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace lmxsim {

// A command line that cannot be carried out as written.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Invocation {
    std::optional<std::string> root;     // --root DIR
    std::string command;                 // empty with --help
    std::optional<int> drive;            // the drive number, for commands that take one
    std::vector<std::string> arguments;  // positional arguments after the drive number
    std::vector<std::string> options;    // "--name" and "--name=value" options, in order
};

// Splits the command line; checks only its shape (see commands.h for the meaning).
Invocation parseCommandLine(const std::vector<std::string>& words);

// The text of `lmxsim --help`.
std::string helpText();

}  // namespace lmxsim
