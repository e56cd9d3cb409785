#include <windows.h>
#include <commdlg.h>

#include "gui/file_dialog.h"
#include "gui/win32/win32_dialog_window.h"
#include "platform/windows/wide_text.h"

namespace lmx::gui {

std::optional<std::string> saveFileName(DialogWindow* owner, const SaveFileRequest& request) {
    if (auto* answers = SaveFileAnswers::installed()) return answers->take(request);

    using platform::win32::widen;
    // Each type "Description (*.ext)" with its pattern, each ended by a null, and a second null.
    std::wstring filter;
    for (const std::string& type : request.filters) {
        const std::string extension = filterExtension(type);
        filter += widen(type) + L'\0' + (extension.empty() ? std::wstring(L"*.*") : L"*." + widen(extension)) + L'\0';
    }
    filter += L'\0';
    const std::wstring folder = widen(request.initialFolder);
    std::wstring chosen = widen(request.fileName);
    chosen.resize(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = win32::handleOf(owner);
    dialog.lpstrFilter = request.filters.empty() ? nullptr : filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen.data();
    dialog.nMaxFile = static_cast<DWORD>(chosen.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!GetSaveFileNameW(&dialog)) return std::nullopt;
    chosen.resize(wcslen(chosen.c_str()));

    // A name without an extension takes the chosen type's, or the default one.
    std::string path = platform::win32::narrow(chosen);
    if (dialog.nFileExtension == 0 || chosen[dialog.nFileExtension] == L'\0') {
        const std::size_t type = dialog.nFilterIndex > 0 ? dialog.nFilterIndex - 1 : 0;
        std::string extension = type < request.filters.size() ? filterExtension(request.filters[type]) : std::string();
        if (extension.empty()) extension = request.defaultExtension;
        if (!extension.empty()) path += (path.ends_with('.') ? "" : ".") + extension;
    }
    return path;
}

}  // namespace lmx::gui
