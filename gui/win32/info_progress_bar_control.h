#pragma once
// The text progress bar as a window class of its own: a solid bar of a colour up to a position
// (0..100) and, centred on the whole bar, its window text, drawn in the highlight text colour
// where it lies on the bar and in the window text colour elsewhere.

#include <windows.h>

#include "gui/dialog_window.h"

namespace lmx::gui::win32 {

inline constexpr const wchar_t* kInfoProgressBarClass = L"LmxInfoProgressBar";

// Sets the position and colour (lParam: const ProgressView*) and the text; redraws.
inline constexpr UINT kSetProgressView = WM_USER + 0x60;
// Reads them back (lParam: ProgressView*).
inline constexpr UINT kGetProgressView = WM_USER + 0x61;

// Registers the class in this process; later calls do nothing.
void registerInfoProgressBarClass();

}  // namespace lmx::gui::win32
