#include <windows.h>

#include "gui/message_box.h"
#include "gui/win32/win32_dialog_window.h"
#include "platform/windows/wide_text.h"

namespace lmx::gui {

namespace {

UINT buttonStyle(MessageBoxButtons buttons) {
    switch (buttons) {
        case MessageBoxButtons::Ok: return MB_OK;
        case MessageBoxButtons::OkCancel: return MB_OKCANCEL;
        case MessageBoxButtons::AbortRetryIgnore: return MB_ABORTRETRYIGNORE;
        case MessageBoxButtons::YesNoCancel: return MB_YESNOCANCEL;
        case MessageBoxButtons::YesNo: return MB_YESNO;
        case MessageBoxButtons::RetryCancel: return MB_RETRYCANCEL;
    }
    return MB_OK;
}

}  // namespace

int messageBox(DialogWindow* owner, std::string_view text, std::string_view caption, MessageBoxButtons buttons,
               MessageBoxIcon icon, bool topMost) {
    const MessageBoxRequest request{std::string(text), std::string(caption), icon, buttons, topMost, owner != nullptr};
    if (auto* answers = MessageBoxAnswers::installed()) return answers->take(request);
    const UINT style = buttonStyle(buttons) | static_cast<UINT>(icon) | (topMost ? MB_TOPMOST : 0u);
    return MessageBoxW(win32::handleOf(owner), platform::win32::widen(text).c_str(),
                       platform::win32::widen(caption).c_str(), style);
}

}  // namespace lmx::gui
