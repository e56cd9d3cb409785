#include "fwup/gui/fwup_tool_app.h"

#include "fwup/core/fwup_texts.h"
#include "fwup/core/single_instance.h"
#include "fwup/gui/fwup_templates.h"
#include "fwup/gui/fwup_tool_dialog.h"
#include "gui/message_box.h"

namespace fwup::gui {

namespace {

void showPlainMessage(std::string_view text) {
    lmx::gui::messageBox(nullptr, QString::fromStdString(plainLines(text)),
                         QString::fromStdString(applicationName()));
}

}  // namespace

std::size_t characterCount(const std::string& utf8) {
    std::size_t count = 0;
    for (const char c : utf8) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
}

int CZARKEL_fwupToolApp::InitInstance() {
    const SingleInstance instance = claimSingleInstance();
    if (instance.alreadyRunning) {
        showPlainMessage(kProgramAlreadyRunning);
        return 0;
    }

    std::optional<std::string> directPath;
    if (commandLine_ && !commandLine_->empty()) {
        if (characterCount(*commandLine_) > static_cast<std::size_t>(kImagePathLimit)) {
            showPlainMessage(kCommandLineTooLong);
        } else {
            directPath = commandLine_;
        }
    }
    CZARKEL_fwupToolDlg dialog(std::move(directPath));
    dialog.doModal();
    return 0;
}

}  // namespace fwup::gui
