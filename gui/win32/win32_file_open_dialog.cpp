#include <windows.h>
#include <commdlg.h>

#include "gui/file_open_dialog.h"
#include "gui/win32/win32_dialog_window.h"
#include "platform/windows/wide_text.h"

namespace lmx::gui {

std::optional<std::string> chooseFileToOpen(DialogWindow* owner, const FileOpenRequest& request) {
    if (auto* answers = FileOpenAnswers::installed()) return answers->take(request);

    // The filter as the dialog takes it: descriptions and patterns, each ended by a null, and a
    // second null at the end.
    std::wstring filter;
    for (const auto& [description, patterns] : fileTypes(request.filter)) {
        filter += platform::win32::widen(description) + L'\0' + platform::win32::widen(patterns) + L'\0';
    }
    filter += L'\0';
    const std::wstring folder = platform::win32::widen(request.folder);
    std::wstring chosen(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = win32::handleOf(owner);
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen.data();
    dialog.nMaxFile = static_cast<DWORD>(chosen.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!GetOpenFileNameW(&dialog)) return std::nullopt;
    chosen.resize(wcslen(chosen.c_str()));
    return platform::win32::narrow(chosen);
}

}  // namespace lmx::gui
