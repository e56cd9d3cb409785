#pragma once
// CZARKEL_fwupToolApp: the firmware tool as a dialog program. One copy runs at a time; the
// command line's text, when there is one, is the image path of a direct start.

#include <optional>
#include <string>

namespace fwup::gui {

class CZARKEL_fwupToolApp {
public:
    // `commandLine`: the text after the program name, taken whole.
    explicit CZARKEL_fwupToolApp(std::optional<std::string> commandLine) : commandLine_(std::move(commandLine)) {}

    // Runs the main dialog modally (a GuiApplication must exist); returns the program's exit
    // status when the dialog has ended, or at once when another copy runs.
    int InitInstance();

private:
    std::optional<std::string> commandLine_;
};

// The command line's text as the direct path: none for an empty text; none, after the
// command-line message, for a text longer than the path box takes (260 characters).
std::optional<std::string> directPathFromCommandLine(const std::optional<std::string>& commandLine);

}  // namespace fwup::gui
