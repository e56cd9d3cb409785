#pragma once
// A dialog template as Windows takes it from memory (DLGTEMPLATEEX and its DLGITEMTEMPLATEEX
// items), built from the suite's own template tables, for CreateDialogIndirectParamW and
// DialogBoxIndirectParamW: the same caption, font, control ids, kinds and rectangles in dialog
// units that the Qt dialogs are drawn from.

#include <cstdint>
#include <vector>

#include "gui/dialog_template.h"

namespace lmx::gui::win32 {

// The template's bytes; the buffer is DWORD-aligned as the calls require.
std::vector<std::uint32_t> memoryTemplate(const DialogTemplate& dialog);

// The window class each kind of control is created with ("Button", "SysTreeView32" …).
const wchar_t* controlClassName(ControlKind kind);

}  // namespace lmx::gui::win32
