#pragma once
// The tool's command line. Without an option, the rest of the command line, taken whole
// (arguments joined by single spaces, quotes kept), is the firmware path of a direct start of
// the dialog. For servers without a desktop, --list, --update N FILE and --help run without it.

#include <optional>
#include <string>
#include <vector>

namespace fwup {

enum class LaunchKind {
    Dialog,      // the dialog, with an optional direct path
    List,        // --list
    Update,      // --update N FILE
    Help,        // --help
    UsageError,  // an option used wrongly
};

struct Launch {
    LaunchKind kind = LaunchKind::Dialog;
    std::optional<std::string> directPath;  // Dialog: the command line's text, when there is one
    int drive = -1;                         // Update
    std::string image;                      // Update
    std::string error;                      // UsageError: what is wrong
};

// `arguments` are those after the program name.
Launch parseCommandLine(const std::vector<std::string>& arguments);

std::string helpText();

// Exit statuses of the command-line modes beside the download results 2 to 5.
inline constexpr int kExitDone = 0;
inline constexpr int kExitTrouble = 1;  // a wrong command line, another copy, no drive reachable

}  // namespace fwup
