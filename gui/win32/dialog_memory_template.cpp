#include "gui/win32/dialog_memory_template.h"

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>

#include "gui/win32/info_progress_bar_control.h"
#include "platform/windows/wide_text.h"

namespace lmx::gui::win32 {

namespace {

// The template is written WORD by WORD; items start on DWORD boundaries.
class TemplateWriter {
public:
    void word(std::uint16_t value) { words_.push_back(value); }
    void dword(std::uint32_t value) {
        word(static_cast<std::uint16_t>(value & 0xFFFF));
        word(static_cast<std::uint16_t>(value >> 16));
    }
    void text(const std::wstring& value) {
        for (const wchar_t c : value) word(static_cast<std::uint16_t>(c));
        word(0);
    }
    void alignToDword() {
        if (words_.size() % 2 != 0) word(0);
    }
    void patch(std::size_t at, std::uint16_t value) { words_[at] = value; }
    std::size_t size() const { return words_.size(); }

    std::vector<std::uint32_t> take() {
        std::vector<std::uint32_t> bytes((words_.size() + 1) / 2);
        std::memcpy(bytes.data(), words_.data(), words_.size() * sizeof(std::uint16_t));
        return bytes;
    }

private:
    std::vector<std::uint16_t> words_;
};

// The predefined classes' atoms, which an item names as 0xFFFF and the atom.
constexpr std::uint16_t kButtonAtom = 0x0080;
constexpr std::uint16_t kEditAtom = 0x0081;
constexpr std::uint16_t kStaticAtom = 0x0082;
constexpr std::uint16_t kComboBoxAtom = 0x0085;

std::uint16_t classAtom(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label:
        case ControlKind::Icon: return kStaticAtom;
        case ControlKind::ReadOnlyEdit: return kEditAtom;
        case ControlKind::CheckBox:
        case ControlKind::PushButton:
        case ControlKind::GroupBox: return kButtonAtom;
        case ControlKind::DropDownList: return kComboBoxAtom;
        default: return 0;  // a common control, named by its class name
    }
}

DWORD alignStyle(ControlKind kind, TextAlign align) {
    if (kind == ControlKind::Label) {
        return align == TextAlign::Right ? SS_RIGHT : align == TextAlign::Center ? SS_CENTER : SS_LEFT;
    }
    if (kind == ControlKind::ReadOnlyEdit) {
        return align == TextAlign::Right ? ES_RIGHT : align == TextAlign::Center ? ES_CENTER : ES_LEFT;
    }
    return 0;
}

DWORD controlStyle(const ControlTemplate& control) {
    DWORD style = WS_CHILD | WS_VISIBLE | alignStyle(control.kind, control.align);
    switch (control.kind) {
        case ControlKind::Label: break;
        case ControlKind::Icon: style |= SS_ICON; break;
        case ControlKind::ReadOnlyEdit: style |= ES_READONLY | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP; break;
        case ControlKind::CheckBox: style |= BS_AUTOCHECKBOX | WS_TABSTOP; break;
        case ControlKind::DropDownList: style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP; break;
        case ControlKind::PushButton: style |= (control.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP; break;
        case ControlKind::GroupBox: style |= BS_GROUPBOX; break;
        case ControlKind::TabControl: style |= WS_TABSTOP; break;
        case ControlKind::Tree:
            style |= TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP;
            break;
        case ControlKind::ListView: style |= LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP; break;
        case ControlKind::ProgressBar: style |= WS_BORDER; break;
    }
    return style;
}

DWORD dialogStyle(const DialogTemplate& dialog) {
    const DWORD font = DS_SETFONT | DS_FIXEDSYS;  // DS_SHELLFONT: the template's face, or the shell's
    if (dialog.child) return WS_CHILD | DS_CONTROL | font;
    return WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | font;
}

}  // namespace

const wchar_t* controlClassName(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label:
        case ControlKind::Icon: return L"Static";
        case ControlKind::ReadOnlyEdit: return L"Edit";
        case ControlKind::CheckBox:
        case ControlKind::PushButton:
        case ControlKind::GroupBox: return L"Button";
        case ControlKind::DropDownList: return L"ComboBox";
        case ControlKind::TabControl: return WC_TABCONTROLW;
        case ControlKind::Tree: return WC_TREEVIEWW;
        case ControlKind::ListView: return WC_LISTVIEWW;
        case ControlKind::ProgressBar: return kInfoProgressBarClass;
    }
    return L"Static";
}

std::vector<std::uint32_t> memoryTemplate(const DialogTemplate& dialog) {
    TemplateWriter out;
    out.word(1);       // dlgVer
    out.word(0xFFFF);  // signature: the extended template
    out.dword(0);      // helpID
    out.dword(dialog.topMost ? WS_EX_TOPMOST : 0);
    out.dword(dialogStyle(dialog));
    const std::size_t countAt = out.size();
    out.word(0);  // cDlgItems, counted below
    out.word(0);  // x, y: placed by the caller
    out.word(0);
    out.word(static_cast<std::uint16_t>(dialog.width));
    out.word(static_cast<std::uint16_t>(dialog.height));
    out.word(0);  // no menu
    out.word(0);  // the dialog class
    out.text(platform::win32::widen(dialog.caption));
    out.word(static_cast<std::uint16_t>(dialog.font.pointSize));
    out.word(FW_NORMAL);
    out.word(DEFAULT_CHARSET << 8);  // italic 0, then the character set
    out.text(platform::win32::widen(dialog.font.face));

    std::uint16_t count = 0;
    for (const ControlTemplate& control : dialog.controls) {
        out.alignToDword();
        out.dword(0);  // helpID
        out.dword(0);  // exStyle
        out.dword(controlStyle(control));
        out.word(static_cast<std::uint16_t>(control.rect.x));
        out.word(static_cast<std::uint16_t>(control.rect.y));
        out.word(static_cast<std::uint16_t>(control.rect.width));
        out.word(static_cast<std::uint16_t>(control.rect.height));
        // Controls nobody addresses take IDC_STATIC (0xFFFF as the item's id).
        out.dword(control.id < 0 ? 0xFFFFu : static_cast<std::uint32_t>(control.id));
        if (const std::uint16_t atom = classAtom(control.kind); atom != 0) {
            out.word(0xFFFF);
            out.word(atom);
        } else {
            out.text(controlClassName(control.kind));
        }
        out.text(platform::win32::widen(control.kind == ControlKind::Icon ? std::string() : control.text));
        out.word(0);  // no creation data
        ++count;
    }
    out.patch(countAt, count);
    return out.take();
}

}  // namespace lmx::gui::win32
