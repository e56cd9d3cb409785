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

    // Runs the main dialog modally (a QApplication must exist); returns the program's exit
    // status when the dialog has ended, or at once when another copy runs.
    int InitInstance();

private:
    std::optional<std::string> commandLine_;
};

// Characters (not bytes) of a UTF-8 text.
std::size_t characterCount(const std::string& utf8);

}  // namespace fwup::gui
