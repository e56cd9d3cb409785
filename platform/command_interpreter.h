#pragma once
// Running a command line through the system's command interpreter, as system() or
// "cmd /c" do, in a given working folder, and waiting for it to end.

#include <filesystem>
#include <optional>
#include <string_view>

namespace platform {

// Runs `commandLine` in `workingFolder` and waits for it. Like the platform's interpreter, a
// program named without a folder is looked for in the working folder first, then along the
// search path. Returns the command's exit code (128 + the signal's number when a signal ended
// it); empty, with the last error set, when the interpreter could not be started (267 when the
// working folder is not a folder).
std::optional<int> runCommandInterpreter(std::string_view commandLine, const std::filesystem::path& workingFolder);

}  // namespace platform
