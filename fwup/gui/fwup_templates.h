#pragma once
// The firmware tool's dialogs as templates: the main dialog (102) and the About box (100).

#include "gui/dialog_template.h"

namespace fwup::gui {

inline constexpr int kMainDialogTemplate = 102;
inline constexpr int kAboutDialogTemplate = 100;

// Controls of the main dialog.
inline constexpr int kDeviceList = 1000;
inline constexpr int kPathBox = 1001;
inline constexpr int kBrowseButton = 1002;
inline constexpr int kUpdateButton = 1003;
inline constexpr int kProgressText = 1004;
inline constexpr int kCancelButton = 1005;

// Controls of the About box.
inline constexpr int kAboutOk = 1;
inline constexpr int kAboutIcon = 1100;
inline constexpr int kAboutVersionText = 1101;
inline constexpr int kAboutSecondLine = 1102;

// The window menu's About item (IDM_ABOUTBOX), sent as a command.
inline constexpr int kAboutMenuCommand = 0x0010;

// The tool's icon (resource 128).
inline constexpr int kToolIcon = 128;

// The path box takes no more characters than the path buffer.
inline constexpr int kImagePathLimit = 260;

lmx::gui::DialogTemplate mainDialogTemplate();
lmx::gui::DialogTemplate aboutDialogTemplate();

}  // namespace fwup::gui
