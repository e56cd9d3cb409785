#include <windows.h>
#include <commctrl.h>

#include "gui/dialog_window.h"
#include "gui/win32/info_progress_bar_control.h"
#include "gui/win32/win32_dialog_window.h"

namespace lmx::gui {

struct GuiApplication::State {};

GuiApplication::GuiApplication(const char*) : state_(std::make_unique<State>()) {
    // The common controls the templates use: list and tree views, tabs, progress bars.
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                  ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_TAB_CLASSES |
                                      ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    win32::registerInfoProgressBarClass();
}

GuiApplication::~GuiApplication() = default;

void processPendingEvents() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (win32::preTranslateForDialogs(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace lmx::gui
