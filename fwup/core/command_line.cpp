#include "fwup/core/command_line.h"

#include <charconv>

#include "fwup/core/device_table.h"
#include "platform/system_root.h"

namespace fwup {

namespace {

constexpr std::string_view kList = "--list";
constexpr std::string_view kUpdate = "--update";
constexpr std::string_view kHelp = "--help";

Launch usageError(std::string error) {
    Launch launch;
    launch.kind = LaunchKind::UsageError;
    launch.error = std::move(error);
    return launch;
}

std::optional<int> driveNumber(const std::string& text) {
    int number = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < 0 || number >= kProbedDrives) {
        return std::nullopt;
    }
    return number;
}

}  // namespace

Launch parseCommandLine(const std::vector<std::string>& arguments) {
    Launch launch;
    if (arguments.empty()) return launch;
    const std::string& first = arguments.front();
    if (first == kHelp) {
        if (arguments.size() != 1) return usageError("--help takes no arguments");
        launch.kind = LaunchKind::Help;
        return launch;
    }
    if (first == kList) {
        if (arguments.size() != 1) return usageError("--list takes no arguments");
        launch.kind = LaunchKind::List;
        return launch;
    }
    if (first == kUpdate) {
        if (arguments.size() != 3) return usageError("--update takes a drive number and a file: --update N FILE");
        const auto drive = driveNumber(arguments[1]);
        if (!drive) return usageError("the drive number must be one of 0 to 31: " + arguments[1]);
        launch.kind = LaunchKind::Update;
        launch.drive = *drive;
        launch.image = arguments[2];
        return launch;
    }
    std::string text = first;
    for (std::size_t i = 1; i < arguments.size(); ++i) text += " " + arguments[i];
    if (!text.empty()) launch.directPath = std::move(text);
    return launch;
}

std::string helpText() {
    std::string text = R"(Usage: LMXDuo_fwupTool [FILE]
       LMXDuo_fwupTool --list
       LMXDuo_fwupTool --update N FILE
       LMXDuo_fwupTool --help

Writes a firmware image to a Lumavex ZDA controller.

Without an option the dialog opens. A FILE there (the rest of the command line, taken whole)
is sent at once to the controller selected at the start.

For servers without a desktop:
  --list           Prints the drives 0 to 31 that open, as the dialog lists them: a line of
                   column titles, then one line per drive, columns separated by tabs.
  --update N FILE  Sends the image FILE (at most 4,194,304 bytes) to drive N (0 to 31) as the
                   dialog does, one 512-byte block after another. Standard error shows the
                   block being sent ("3 / 10"); standard output the result. Ctrl+C cancels
                   after the block in flight; the last block cannot be cancelled.
  --help           Prints this text.

Exit status: 0 done ("Update Success."); 2 "Update Failure.", 3 "Device Open Error.",
4 "Specified Invalid File.", 5 "Update Canceled."; 1 a wrong command line, another copy of
the tool running, or no drive that could be opened for lack of rights.

Drive N is devices/PHYSICALDRIVEN in the system root ($LMXDUOWATCH_ROOT, default
@ROOT@): a simulated drive or a link to a disk; with the default root and no
entry, the machine's N-th SCSI/SATA disk, which only root may open.
)";
    // The default root is the platform's own.
    text.replace(text.find("@ROOT@"), 6, platform::defaultSystemRoot());
    return text;
}

}  // namespace fwup
