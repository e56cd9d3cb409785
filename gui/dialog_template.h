#pragma once
// A dialog described as data, the way a dialog resource describes it: caption, size and control
// rectangles in dialog units, the dialog font, and each control's numeric id, kind and text.
// TemplateDialog builds a window from it.

#include <optional>
#include <string>
#include <vector>

namespace lmx::gui {

// A rectangle in dialog units: x, y, width, height.
struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const DialogRect&, const DialogRect&) = default;
};

struct DialogFont {
    std::string face = "MS Shell Dlg";
    int pointSize = 8;
};

enum class ControlKind {
    Label,          // static text
    ReadOnlyEdit,   // bordered, single-line, read-only edit box
    CheckBox,       // auto check box
    DropDownList,   // combo box with a drop-down list only
    PushButton,
    GroupBox,
    TabControl,
    Tree,
    ListView,       // report view
    ProgressBar,    // the text progress bar (InfoProgressBar)
    Icon,           // icon static
};

enum class TextAlign { Left, Right, Center };

struct ControlTemplate {
    int id = -1;  // -1 for controls nobody addresses
    ControlKind kind = ControlKind::Label;
    DialogRect rect;
    std::string text;  // template text (UTF-8); replaced at run time by most dialogs
    TextAlign align = TextAlign::Left;
    bool defaultButton = false;
    // For push buttons: clicking ends the dialog with this result (for example 1 for OK).
    std::optional<int> endsDialogWith;
};

// What Enter, Esc and the close box do in a dialog.
struct KeyPolicy {
    // Enter sends the command of the default button (IDOK when none is marked); when no handler
    // or button takes it, the dialog ends with this result. Empty: Enter does nothing.
    std::optional<int> enterEndsWith;
    std::optional<int> escEndsWith;    // empty: Esc is swallowed
    std::optional<int> closeEndsWith;  // empty: the close box does nothing

    // A standard dialog: Enter ends with 1 (OK), Esc and the close box with 2 (Cancel).
    static KeyPolicy standard() { return {1, 2, 2}; }
    // The settings dialogs: Enter does nothing, Esc and the close box end with 0.
    static KeyPolicy settings() { return {std::nullopt, 0, 0}; }
    // Windows that neither Enter nor Esc close; the close box ends them with 0.
    static KeyPolicy closeBoxOnly() { return {std::nullopt, std::nullopt, 0}; }
};

struct DialogTemplate {
    int id = 0;
    std::string caption;  // UTF-8
    int width = 0;        // dialog units
    int height = 0;
    DialogFont font;
    bool topMost = false;
    // A child dialog without caption: a page placed inside another window, not a window of its own.
    bool child = false;
    KeyPolicy keys = KeyPolicy::standard();
    std::vector<ControlTemplate> controls;
};

}  // namespace lmx::gui
