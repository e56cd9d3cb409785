#include "fwup/gui/fwup_tool_app.h"

#include "fwup/core/fwup_texts.h"
#include "fwup/core/single_instance.h"
#include "fwup/gui/fwup_templates.h"
#include "fwup/gui/fwup_tool_dialog.h"
#include "gui/message_box.h"

namespace fwup::gui {

namespace {

void showPlainMessage(std::string_view text) {
    lmx::gui::messageBox(nullptr, plainLines(text), applicationName());
}

// Characters (not bytes) of a UTF-8 text.
std::size_t characterCount(const std::string& utf8) {
    std::size_t count = 0;
    for (const char c : utf8) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
}

}  // namespace

std::optional<std::string> directPathFromCommandLine(const std::optional<std::string>& commandLine) {
    if (!commandLine || commandLine->empty()) return std::nullopt;
    if (characterCount(*commandLine) > static_cast<std::size_t>(kImagePathLimit)) {
        showPlainMessage(kCommandLineTooLong);
        return std::nullopt;
    }
    return commandLine;
}

int CZARKEL_fwupToolApp::InitInstance() {
    const SingleInstance instance = claimSingleInstance();
    if (instance.alreadyRunning) {
        showPlainMessage(kProgramAlreadyRunning);
        return 0;
    }
    if (instance.unavailable) {
        showPlainMessage(guardUnavailableText(instance.error));
        return 0;
    }

    CZARKEL_fwupToolDlg dialog(directPathFromCommandLine(commandLine_));
    dialog.doModal();
    return 0;
}

}  // namespace fwup::gui
