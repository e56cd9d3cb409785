#include "gui/win32/win32_dialog_window.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "gui/modal_answer.h"
#include "gui/win32/info_progress_bar_control.h"
#include "gui/win32/dialog_memory_template.h"
#include "platform/windows/wide_text.h"

namespace lmx::gui::win32 {

namespace {

using platform::win32::narrow;
using platform::win32::widen;

// The message that runs the tasks posted from other threads.
constexpr UINT kRunPosted = WM_APP + 0x31;
// The room a header item leaves around its title (Windows' header draws 3 × the edge width on
// each side; 12 pixels covers it at every border width).
constexpr int kHeaderMargin = 12;
// The property that marks the suite's dialogs and carries their object.
constexpr const wchar_t* kWindowProperty = L"LmxDialogWindow";

std::string windowText(HWND window) {
    if (!window) return {};
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return narrow(text);
}

bool isClass(HWND window, const wchar_t* name) {
    wchar_t className[64] = {};
    return window && GetClassNameW(window, className, 64) > 0 && lstrcmpiW(className, name) == 0;
}

Win32DialogWindow* objectOf(HWND window) {
    return static_cast<Win32DialogWindow*>(GetPropW(window, kWindowProperty));
}

std::wstring cellText(HWND list, int row, int column) {
    std::wstring text(1024, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    const auto length = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// A title's width in a list's header, in the header's font.
int headerTextWidth(HWND list, const std::wstring& title) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    if (!header) return 0;
    HDC context = GetDC(header);
    const auto previous = SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(context, title.c_str(), static_cast<int>(title.size()), &extent);
    SelectObject(context, previous);
    ReleaseDC(header, context);
    return extent.cx;
}

}  // namespace

HICON programIcon(int iconId, int size) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId), IMAGE_ICON, size, size,
                                         LR_DEFAULTCOLOR | LR_SHARED));
}

Win32DialogWindow::Win32DialogWindow(const DialogTemplate& dialogTemplate, HWND owner)
    : templateId_(dialogTemplate.id), keys_(dialogTemplate.keys), child_(dialogTemplate.child), owner_(owner) {
    registerInfoProgressBarClass();
    for (const ControlTemplate& control : dialogTemplate.controls) {
        if (control.endsDialogWith) buttonResults_.emplace(control.id, *control.endsDialogWith);
        if (control.kind == ControlKind::PushButton && control.defaultButton) defaultButton_ = control.id;
    }
    const std::vector<std::uint32_t> memory = memoryTemplate(dialogTemplate);
    window_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(memory.data()),
                                         owner, &Win32DialogWindow::procedure, reinterpret_cast<LPARAM>(this));
    for (const ControlTemplate& control : dialogTemplate.controls) {
        HWND list = control.kind == ControlKind::ListView ? this->control(control.id) : nullptr;
        if (!list) continue;
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                     LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP);
    }
}

Win32DialogWindow::~Win32DialogWindow() {
    if (window_) {
        RemovePropW(window_, kWindowProperty);
        SetWindowLongPtrW(window_, DWLP_USER, 0);
        DestroyWindow(window_);  // destroys the menu bar with it
    }
    for (const auto& [id, images] : tabImages_) ImageList_Destroy(images);
    for (const auto& [rgb, brush] : brushes_) DeleteObject(brush);
}

INT_PTR CALLBACK Win32DialogWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<Win32DialogWindow*>(lParam);
        self->window_ = window;
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        SetPropW(window, kWindowProperty, self);
        return TRUE;
    }
    auto* self = reinterpret_cast<Win32DialogWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    return self ? self->onMessage(message, wParam, lParam) : FALSE;
}

INT_PTR Win32DialogWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) == CBN_SELCHANGE && isClass(reinterpret_cast<HWND>(lParam), L"ComboBox")) {
                if (const auto handler = itemHandlers_.find(LOWORD(wParam)); handler != itemHandlers_.end()) {
                    const int index = static_cast<int>(SendMessageW(reinterpret_cast<HWND>(lParam), CB_GETCURSEL, 0, 0));
                    if (index >= 0) handler->second(index);
                }
                return TRUE;
            }
            // Notifications other than a click (an edit's change, a list's focus) are not commands.
            if (HIWORD(wParam) != BN_CLICKED && lParam != 0) return FALSE;
            command(LOWORD(wParam));
            return TRUE;
        case WM_CLOSE:
            close();
            return TRUE;
        case WM_NOTIFY: return notify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_SHOWWINDOW:
            if (showHideHandler_) showHideHandler_(wParam != 0);
            return FALSE;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT: {
            const auto found = backgrounds_.find(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
            if (found == backgrounds_.end() || !found->second) return FALSE;
            const std::uint32_t rgb = *found->second;
            SetBkColor(reinterpret_cast<HDC>(wParam), RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
            return reinterpret_cast<INT_PTR>(brushFor(rgb));
        }
        case WM_CONTEXTMENU: {
            if (contextMenu_.empty()) return FALSE;
            HMENU menu = CreatePopupMenu();
            for (const MenuItem& item : contextMenu_) {
                AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(item.command), widen(item.text).c_str());
            }
            POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (lParam == -1) GetCursorPos(&at);
            const int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr);
            DestroyMenu(menu);
            if (chosen != 0) command(chosen);
            return TRUE;
        }
        case kRunPosted:
            runPosted();
            return TRUE;
        default: break;
    }
    if (message >= WM_USER && message < WM_APP && procedure_) {
        SetWindowLongPtrW(window_, DWLP_MSGRESULT, procedure_(message, wParam, lParam));
        return TRUE;
    }
    return FALSE;
}

bool Win32DialogWindow::command(int id) {
    if (const auto handler = handlers_.find(id); handler != handlers_.end()) {
        // A copy: the handler may replace itself.
        const std::function<void()> run = handler->second;
        run();
        return true;
    }
    if (const auto result = buttonResults_.find(id); result != buttonResults_.end()) {
        endDialog(result->second);
        return true;
    }
    return false;
}

HWND Win32DialogWindow::control(int id) const {
    return window_ && id >= 0 ? GetDlgItem(window_, id) : nullptr;
}

std::string Win32DialogWindow::caption() const {
    return windowText(window_);
}

void Win32DialogWindow::setCaption(std::string_view caption) {
    if (window_) SetWindowTextW(window_, widen(caption).c_str());
}

void Win32DialogWindow::setIcon(int iconId) {
    if (!window_) return;
    SendMessageW(window_, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(programIcon(iconId, GetSystemMetrics(SM_CXICON))));
    SendMessageW(window_, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(programIcon(iconId, GetSystemMetrics(SM_CXSMICON))));
}

void Win32DialogWindow::addMinimizeBox() {
    if (window_) SetWindowLongPtrW(window_, GWL_STYLE, GetWindowLongPtrW(window_, GWL_STYLE) | WS_MINIMIZEBOX);
}

PixelRect Win32DialogWindow::toPixels(const DialogRect& rect) const {
    // The dialog manager converts a control's origin and its size each on its own.
    RECT origin{rect.x, rect.y, rect.x, rect.y};
    RECT size{0, 0, rect.width, rect.height};
    if (window_) {
        MapDialogRect(window_, &origin);
        MapDialogRect(window_, &size);
    }
    return {origin.left, origin.top, size.right, size.bottom};
}

PixelRect Win32DialogWindow::clientRect() const {
    RECT client{};
    if (window_) GetClientRect(window_, &client);
    return {0, 0, client.right, client.bottom};
}

void Win32DialogWindow::setClientSize(int width, int height) {
    if (!window_) return;
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), GetMenu(window_) != nullptr,
                       static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)));
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

PixelRect Win32DialogWindow::controlRect(int id) const {
    HWND item = control(id);
    if (!item) return {};
    RECT bounds{};
    GetWindowRect(item, &bounds);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&bounds), 2);
    return {bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top};
}

void Win32DialogWindow::setControlRect(int id, const PixelRect& rect) {
    if (HWND item = control(id)) MoveWindow(item, rect.x, rect.y, rect.width, rect.height, TRUE);
}

int Win32DialogWindow::textHeight(int id) const {
    HWND item = control(id);
    if (!item) return 0;
    const std::wstring text = widen(windowText(item));
    HDC context = GetDC(item);
    const auto previous = SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(item, WM_GETFONT, 0, 0)));
    RECT bounds{0, 0, controlRect(id).width, 0};
    DrawTextW(context, text.c_str(), static_cast<int>(text.size()), &bounds, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(context, previous);
    ReleaseDC(item, context);
    return bounds.bottom - bounds.top;
}

std::string Win32DialogWindow::text(int id) const {
    return windowText(control(id));
}

void Win32DialogWindow::setText(int id, std::string_view text) {
    if (HWND item = control(id)) SetWindowTextW(item, widen(text).c_str());
}

void Win32DialogWindow::limitText(int id, int characters) {
    if (HWND edit = control(id); isClass(edit, L"Edit")) SendMessageW(edit, EM_LIMITTEXT, static_cast<WPARAM>(characters), 0);
}

int Win32DialogWindow::textLimit(int id) const {
    HWND edit = control(id);
    return isClass(edit, L"Edit") ? static_cast<int>(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0)) : 0;
}

bool Win32DialogWindow::isReadOnly(int id) const {
    HWND edit = control(id);
    return isClass(edit, L"Edit") && (GetWindowLongPtrW(edit, GWL_STYLE) & ES_READONLY) != 0;
}

void Win32DialogWindow::setControlIcon(int id, int iconId) {
    if (HWND icon = control(id)) {
        SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(programIcon(iconId, GetSystemMetrics(SM_CXICON))), 0);
    }
}

void Win32DialogWindow::setControlSystemIcon(int id, int iconClass) {
    HWND icon = control(id);
    if (!icon) return;
    const wchar_t* system = nullptr;
    switch (iconClass) {
        case MB_ICONERROR: system = IDI_ERROR; break;
        case MB_ICONQUESTION: system = IDI_QUESTION; break;
        case MB_ICONWARNING: system = IDI_WARNING; break;
        case MB_ICONINFORMATION: system = IDI_INFORMATION; break;
        default: break;
    }
    SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(system ? LoadIconW(nullptr, system) : nullptr), 0);
}

bool Win32DialogWindow::showsIcon(int id) const {
    HWND icon = control(id);
    return icon && SendMessageW(icon, STM_GETICON, 0, 0) != 0;
}

bool Win32DialogWindow::isEnabled(int id) const {
    HWND item = control(id);
    return item && IsWindowEnabled(item);
}

void Win32DialogWindow::enable(int id, bool enabled) {
    if (HWND item = control(id)) EnableWindow(item, enabled ? TRUE : FALSE);
}

bool Win32DialogWindow::isChecked(int id) const {
    HWND box = control(id);
    return box && SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32DialogWindow::check(int id, bool checked) {
    if (HWND box = control(id)) SendMessageW(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32DialogWindow::setItems(int id, const std::vector<std::string>& items) {
    HWND list = control(id);
    if (!list) return;
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items) {
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(item).c_str()));
    }
}

std::vector<std::string> Win32DialogWindow::items(int id) const {
    std::vector<std::string> texts;
    HWND list = control(id);
    const auto count = list ? static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0)) : 0;
    for (int i = 0; i < count; ++i) {
        std::wstring text(static_cast<std::size_t>(SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()))));
        texts.push_back(narrow(text));
    }
    return texts;
}

void Win32DialogWindow::selectItem(int id, std::optional<int> index) {
    if (HWND list = control(id)) SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index.value_or(-1)), 0);
}

std::optional<int> Win32DialogWindow::selectedItem(int id) const {
    HWND list = control(id);
    const auto index = list ? static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0)) : CB_ERR;
    if (index < 0) return std::nullopt;
    return index;
}

void Win32DialogWindow::onItemChosen(int id, std::function<void(int index)> handler) {
    itemHandlers_[id] = std::move(handler);
}

void Win32DialogWindow::chooseItem(int id, int index) {
    HWND list = control(id);
    if (!list || !IsWindowEnabled(list) || SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0) == CB_ERR) return;
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

std::intptr_t Win32DialogWindow::sendMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return procedure_ ? procedure_(message, wParam, lParam) : 0;
}

int Win32DialogWindow::columnCount(HWND list) const {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    return header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

void Win32DialogWindow::setColumns(int id, const std::vector<ListColumn>& columns) {
    HWND list = control(id);
    if (!list) return;
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (int i = columnCount(list); i > 0; --i) SendMessageW(list, LVM_DELETECOLUMN, 0, 0);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::wstring title = widen(columns[i].title);
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = columns[i].width;
        column.pszText = title.data();
        column.iSubItem = static_cast<int>(i);
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
}

std::vector<std::string> Win32DialogWindow::columnTitles(int id) const {
    std::vector<std::string> titles;
    HWND list = control(id);
    for (int i = 0; list && i < columnCount(list); ++i) {
        wchar_t title[256] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = title;
        column.cchTextMax = 256;
        SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
        titles.push_back(narrow(title));
    }
    return titles;
}

void Win32DialogWindow::setRows(int id, const std::vector<std::vector<std::string>>& rows) {
    HWND list = control(id);
    if (!list) return;
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            std::wstring text = widen(rows[r][c]);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(r);
            item.iSubItem = static_cast<int>(c);
            item.pszText = text.data();
            SendMessageW(list, c == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, r, reinterpret_cast<LPARAM>(&item));
        }
    }
    // Each column as wide as its widest cell or its title, the title measured in the header's
    // own font (LVSCW_AUTOSIZE_USEHEADER measures it in the list's). The last one takes the
    // rest, but no less than its own text needs: LVSCW_AUTOSIZE_USEHEADER alone would squeeze
    // it into what the other columns leave.
    const std::vector<std::string> titles = columnTitles(id);
    const int columns = static_cast<int>(titles.size());
    const auto widthOf = [list](int column) {
        return static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
    };
    for (int c = 0; c < columns; ++c) {
        const auto column = static_cast<WPARAM>(c);
        SendMessageW(list, LVM_SETCOLUMNWIDTH, column, LVSCW_AUTOSIZE_USEHEADER);
        const int rest = widthOf(c);
        SendMessageW(list, LVM_SETCOLUMNWIDTH, column, LVSCW_AUTOSIZE);
        const int cells = widthOf(c);
        const int title = headerTextWidth(list, widen(titles[static_cast<std::size_t>(c)])) + kHeaderMargin;
        SendMessageW(list, LVM_SETCOLUMNWIDTH, column, std::max({c + 1 == columns ? rest : 0, cells, title}));
    }
}

int Win32DialogWindow::rowCount(int id) const {
    HWND list = control(id);
    return list ? static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

std::vector<std::string> Win32DialogWindow::row(int id, int index) const {
    std::vector<std::string> cells;
    HWND list = control(id);
    if (!list || index < 0 || index >= rowCount(id)) return cells;
    for (int c = 0; c < columnCount(list); ++c) cells.push_back(narrow(cellText(list, index, c)));
    return cells;
}

void Win32DialogWindow::selectRow(int id, std::optional<int> index) {
    HWND list = control(id);
    if (!list) return;
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED;
    state.state = 0;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    if (!index) return;
    state.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(*index), reinterpret_cast<LPARAM>(&state));
}

std::optional<int> Win32DialogWindow::selectedRow(int id) const {
    HWND list = control(id);
    if (!list) return std::nullopt;
    const auto row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (row < 0) return std::nullopt;
    return row;
}

bool Win32DialogWindow::columnsShowTextWhole(int id) const {
    HWND list = control(id);
    if (!list) return false;
    const std::vector<std::string> titles = columnTitles(id);
    const auto widthOf = [list](const std::wstring& text) {
        return static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str())));
    };
    const int rows = rowCount(id);
    for (int c = 0; c < static_cast<int>(titles.size()); ++c) {
        int widest = headerTextWidth(list, widen(titles[static_cast<std::size_t>(c)]));
        for (int r = 0; r < rows; ++r) widest = std::max(widest, widthOf(cellText(list, r, c)));
        if (static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0)) < widest) return false;
    }
    return true;
}

void Win32DialogWindow::onCommand(int id, std::function<void()> handler) {
    handlers_[id] = std::move(handler);
}

void Win32DialogWindow::click(int id) {
    HWND button = control(id);
    if (!button || !IsWindowEnabled(button)) return;
    // An automatic check box changes its state on a click, before its owner hears of it.
    const auto style = GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK;
    if (isClass(button, L"Button") && (style == BS_AUTOCHECKBOX || style == BS_AUTO3STATE)) {
        const bool checked = SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
        SendMessageW(button, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
    }
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void Win32DialogWindow::pressKey(DialogKey key) {
    if (key != DialogKey::Enter && key != DialogKey::Escape) {
        if (const auto command = acceleratorCommand(key)) {
            Win32DialogWindow* root = objectOf(GetAncestor(window_, GA_ROOT));
            (root ? root : this)->command(*command);
        }
        return;
    }
    if (child_) {
        // A page takes no Enter or Esc of its own: the window it lies in does.
        if (Win32DialogWindow* root = objectOf(GetAncestor(window_, GA_ROOT)); root && root != this) root->pressKey(key);
        return;
    }
    if (key == DialogKey::Enter) {
        // Enter is the command of the default button (IDOK when none is marked); a dialog whose
        // OK handling does nothing has no Enter policy at all.
        if (keys_.enterEndsWith && !command(defaultButton_.value_or(IDOK))) endDialog(*keys_.enterEndsWith);
        return;
    }
    if (keys_.escEndsWith) endDialog(*keys_.escEndsWith);
}

void Win32DialogWindow::onClose(std::function<bool()> mayClose) {
    closeFilter_ = std::move(mayClose);
}

bool Win32DialogWindow::close() {
    if (!keys_.closeEndsWith || (closeFilter_ && !closeFilter_())) return false;
    endDialog(*keys_.closeEndsWith);
    return true;
}

void Win32DialogWindow::setContextMenu(std::vector<MenuItem> items) {
    contextMenu_ = std::move(items);
}

bool Win32DialogWindow::preTranslate(MSG& message) {
    if (message.message == WM_KEYDOWN && (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE)) {
        pressKey(message.wParam == VK_RETURN ? DialogKey::Enter : DialogKey::Escape);
        return true;
    }
    if (message.message == WM_KEYDOWN) {
        const bool control = GetKeyState(VK_CONTROL) < 0;
        std::optional<DialogKey> key;
        if (message.wParam == VK_TAB && control) key = DialogKey::CtrlTab;
        if (message.wParam == VK_F1 && !control) key = DialogKey::F1;
        if (message.wParam == VK_F5 && !control) key = DialogKey::F5;
        if (key && acceleratorCommand(*key)) {
            pressKey(*key);
            return true;
        }
    }
    // F1 would also raise WM_HELP; the accelerator has taken it.
    if (message.message == WM_KEYUP && message.wParam == VK_F1 && acceleratorCommand(DialogKey::F1)) return true;
    return IsDialogMessageW(window_, &message) != FALSE;
}

int Win32DialogWindow::doModal() {
    if (!window_) return -1;
    result_.reset();
    const bool ownerWasEnabled = owner_ && IsWindowEnabled(owner_);
    if (ownerWasEnabled) EnableWindow(owner_, FALSE);
    show();
    modalRunning_ = true;
    inModalLoop_ = true;
    ModalAnswer::modalRunStarting(*this);
    MSG message;
    while (modalRunning_) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            // WM_QUIT ends the run and goes on to the program's own loop.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got < 0) break;
        if (preTranslateForDialogs(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    modalRunning_ = false;
    inModalLoop_ = false;
    // The owner is enabled again before the dialog goes, so that Windows hands the activation
    // back to it rather than to another program's window (as MFC's DoModal does).
    if (ownerWasEnabled) EnableWindow(owner_, TRUE);
    hide();
    return result_.value_or(-1);
}

void Win32DialogWindow::endDialog(int result) {
    result_ = result;
    modalRunning_ = false;
    // A modal run hides its dialog itself, once the owner is enabled again.
    if (!inModalLoop_) hide();
    // Wakes a modal loop waiting in GetMessage.
    if (window_) PostMessageW(window_, WM_NULL, 0, 0);
}

void Win32DialogWindow::placeOnFirstShow() {
    if (placed_) return;
    placed_ = true;
    RECT area{};
    if (owner_ && IsWindowVisible(owner_)) {
        GetWindowRect(owner_, &area);
    } else {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    RECT own{};
    GetWindowRect(window_, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    SetWindowPos(window_, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32DialogWindow::show() {
    if (!window_) return;
    if (child_) {
        // Above its siblings (a page over the tab control it belongs to).
        SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        return;
    }
    placeOnFirstShow();
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    if (menuBar_) DrawMenuBar(window_);
    // A dialog made hidden has had no control to give the focus to: the first one that takes
    // the Tab key gets it, as in a dialog shown at its creation.
    const HWND focused = GetFocus();
    if (!focused || (focused != window_ && !IsChild(window_, focused))) {
        if (HWND first = GetNextDlgTabItem(window_, nullptr, FALSE)) SetFocus(first);
    }
}

void Win32DialogWindow::hide() {
    if (window_) ShowWindow(window_, SW_HIDE);
}

bool Win32DialogWindow::isVisible() const {
    return window_ && IsWindowVisible(window_);
}

void Win32DialogWindow::post(std::function<void()> task) {
    posted_.add(std::move(task));
    PostMessageW(window_, kRunPosted, 0, 0);
}

void Win32DialogWindow::runPosted() {
    posted_.runAll();
}

bool Win32DialogWindow::isShown(int id) const {
    HWND item = control(id);
    return item && (GetWindowLongPtrW(item, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32DialogWindow::showControl(int id, bool shown) {
    if (HWND item = control(id)) ShowWindow(item, shown ? SW_SHOWNA : SW_HIDE);
}

void Win32DialogWindow::focus(int id) {
    if (HWND item = control(id)) SetFocus(item);
}

HBRUSH Win32DialogWindow::brushFor(std::uint32_t rgb) {
    HBRUSH& brush = brushes_[rgb];
    if (!brush) brush = CreateSolidBrush(RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
    return brush;
}

void Win32DialogWindow::setBackground(int id, std::optional<std::uint32_t> rgb) {
    HWND item = control(id);
    if (!item) return;
    backgrounds_[id] = rgb;
    InvalidateRect(item, nullptr, TRUE);
}

std::optional<std::uint32_t> Win32DialogWindow::background(int id) const {
    const auto found = backgrounds_.find(id);
    return found == backgrounds_.end() ? std::nullopt : found->second;
}

void Win32DialogWindow::keepGapAfterText(int id, int pixels) {
    HWND label = control(id);
    if (!label) return;
    const std::wstring text = widen(windowText(label));
    HDC context = GetDC(label);
    const auto previous = SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(context, previous);
    ReleaseDC(label, context);
    // A right-aligned static text ends at its right edge: the gap is the width given up there.
    // A text wider than its label (the dialog font's faces differ from machine to machine)
    // would break into a second line that the label's height cuts off: the label grows to the
    // left instead, its right edge where it was.
    PixelRect rect = controlRect(id);
    const int room = rect.width - static_cast<int>(extent.cx);
    if (room < 0) {
        const int grow = std::min(-room, rect.x);
        rect.x -= grow;
        rect.width += grow;
    } else {
        rect.width -= std::min(room, pixels);
    }
    setControlRect(id, rect);
}

void Win32DialogWindow::setProgress(int id, const ProgressView& view) {
    if (HWND bar = control(id)) SendMessageW(bar, kSetProgressView, 0, reinterpret_cast<LPARAM>(&view));
}

ProgressView Win32DialogWindow::progress(int id) const {
    ProgressView view;
    if (HWND bar = control(id)) SendMessageW(bar, kGetProgressView, 0, reinterpret_cast<LPARAM>(&view));
    return view;
}

void Win32DialogWindow::setTabs(int id, const std::vector<TabItem>& tabs) {
    HWND control = this->control(id);
    if (!control) return;
    tabItems_[id] = tabs;
    HIMAGELIST& images = tabImages_[id];
    if (!images) {
        images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1);
        SendMessageW(control, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    }
    ImageList_RemoveAll(images);
    SendMessageW(control, TCM_DELETEALLITEMS, 0, 0);
    std::map<int, int> imageOfIcon;
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        std::wstring text = widen(tabs[i].text);
        TCITEMW item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = text.data();
        item.iImage = -1;
        if (tabs[i].iconId != 0) {
            auto [found, added] = imageOfIcon.try_emplace(tabs[i].iconId, -1);
            if (added) found->second = ImageList_AddIcon(images, programIcon(tabs[i].iconId, 16));
            item.iImage = found->second;
        }
        SendMessageW(control, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    if (!tabs.empty()) SendMessageW(control, TCM_SETCURSEL, 0, 0);
}

std::vector<TabItem> Win32DialogWindow::tabs(int id) const {
    const auto found = tabItems_.find(id);
    return found == tabItems_.end() ? std::vector<TabItem>() : found->second;
}

void Win32DialogWindow::selectTab(int id, int index) {
    HWND control = this->control(id);
    const auto count = control ? static_cast<int>(SendMessageW(control, TCM_GETITEMCOUNT, 0, 0)) : 0;
    if (index >= 0 && index < count) SendMessageW(control, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32DialogWindow::selectedTab(int id) const {
    HWND control = this->control(id);
    return control ? static_cast<int>(SendMessageW(control, TCM_GETCURSEL, 0, 0)) : -1;
}

void Win32DialogWindow::onTabChosen(int id, std::function<void(int index)> handler) {
    tabHandlers_[id] = std::move(handler);
}

void Win32DialogWindow::chooseTab(int id, int index) {
    HWND control = this->control(id);
    if (!control || index == selectedTab(id)) return;
    selectTab(id, index);
    NMHDR header{control, static_cast<UINT_PTR>(id), static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(window_, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&header));
}

void Win32DialogWindow::setTree(int id, const std::vector<TreeItem>& roots) {
    HWND control = this->control(id);
    if (!control) return;
    quietTree_ = true;
    SendMessageW(control, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    auto& items = treeItems_[id];
    items.clear();
    const auto insert = [control](HTREEITEM parent, const std::string& text) {
        std::wstring wide = widen(text);
        TVINSERTSTRUCTW insertion{};
        insertion.hParent = parent;
        insertion.hInsertAfter = TVI_LAST;
        insertion.item.mask = TVIF_TEXT;
        insertion.item.pszText = wide.data();
        return reinterpret_cast<HTREEITEM>(SendMessageW(control, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insertion)));
    };
    for (const TreeItem& root : roots) {
        HTREEITEM rootItem = insert(TVI_ROOT, root.text);
        std::vector<HTREEITEM> children;
        for (const std::string& child : root.children) children.push_back(insert(rootItem, child));
        SendMessageW(control, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(rootItem));
        items.emplace_back(rootItem, std::move(children));
    }
    quietTree_ = false;
}

std::vector<TreeItem> Win32DialogWindow::tree(int id) const {
    std::vector<TreeItem> roots;
    HWND control = this->control(id);
    const auto found = treeItems_.find(id);
    if (!control || found == treeItems_.end()) return roots;
    const auto textOf = [control](HTREEITEM item) {
        wchar_t text[256] = {};
        TVITEMW query{};
        query.mask = TVIF_TEXT;
        query.hItem = item;
        query.pszText = text;
        query.cchTextMax = 256;
        SendMessageW(control, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query));
        return narrow(text);
    };
    for (const auto& [root, children] : found->second) {
        TreeItem item{textOf(root), {}};
        for (HTREEITEM child : children) item.children.push_back(textOf(child));
        roots.push_back(std::move(item));
    }
    return roots;
}

std::optional<TreePosition> Win32DialogWindow::positionOf(int id, HTREEITEM item) const {
    const auto found = treeItems_.find(id);
    if (!item || found == treeItems_.end()) return std::nullopt;
    for (std::size_t r = 0; r < found->second.size(); ++r) {
        const auto& [root, children] = found->second[r];
        if (root == item) return TreePosition{static_cast<int>(r), -1};
        for (std::size_t c = 0; c < children.size(); ++c) {
            if (children[c] == item) return TreePosition{static_cast<int>(r), static_cast<int>(c)};
        }
    }
    return std::nullopt;
}

void Win32DialogWindow::selectTreeItem(int id, std::optional<TreePosition> position) {
    HWND control = this->control(id);
    const auto found = treeItems_.find(id);
    if (!control || found == treeItems_.end()) return;
    HTREEITEM item = nullptr;
    if (position && position->root >= 0 && position->root < static_cast<int>(found->second.size())) {
        const auto& [root, children] = found->second[static_cast<std::size_t>(position->root)];
        item = position->child < 0 ? root
               : position->child < static_cast<int>(children.size()) ? children[static_cast<std::size_t>(position->child)]
                                                                      : nullptr;
    }
    SendMessageW(control, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

std::optional<TreePosition> Win32DialogWindow::selectedTreeItem(int id) const {
    HWND control = this->control(id);
    if (!control) return std::nullopt;
    return positionOf(id, reinterpret_cast<HTREEITEM>(SendMessageW(control, TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

void Win32DialogWindow::onTreeSelection(int id, std::function<void(std::optional<TreePosition>)> handler) {
    treeHandlers_[id] = std::move(handler);
}

INT_PTR Win32DialogWindow::notify(const NMHDR& header) {
    const int id = static_cast<int>(header.idFrom);
    if (header.code == static_cast<UINT>(TCN_SELCHANGE)) {
        if (const auto handler = tabHandlers_.find(id); handler != tabHandlers_.end()) handler->second(selectedTab(id));
        return TRUE;
    }
    if (header.code == static_cast<UINT>(TVN_SELCHANGEDW) && !quietTree_) {
        if (const auto handler = treeHandlers_.find(id); handler != treeHandlers_.end()) {
            const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
            handler->second(positionOf(id, change.itemNew.hItem));
        }
        return TRUE;
    }
    return FALSE;
}

void Win32DialogWindow::setMenuBar(const std::vector<Menu>& menus) {
    if (!window_) return;
    const PixelRect client = clientRect();
    HMENU bar = CreateMenu();
    for (const Menu& menu : menus) {
        HMENU drop = CreatePopupMenu();
        for (const MenuItem& item : menu.items) {
            if (item.command == 0) {
                AppendMenuW(drop, MF_SEPARATOR, 0, nullptr);
            } else {
                AppendMenuW(drop, MF_STRING, static_cast<UINT_PTR>(item.command), widen(item.text).c_str());
            }
        }
        AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(drop), widen(menu.text).c_str());
    }
    HMENU previous = GetMenu(window_);
    SetMenu(window_, bar);
    if (previous) DestroyMenu(previous);
    menuBar_ = bar;
    // The client area keeps the template's size: the window grows by the bar.
    setClientSize(client.width, client.height);
}

void Win32DialogWindow::enableMenuItem(int command, bool enabled) {
    if (!menuBar_) return;
    EnableMenuItem(menuBar_, static_cast<UINT>(command), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    DrawMenuBar(window_);
}

bool Win32DialogWindow::isMenuItemEnabled(int command) const {
    if (!menuBar_) return false;
    const UINT state = GetMenuState(menuBar_, static_cast<UINT>(command), MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0;
}

void Win32DialogWindow::chooseMenuItem(int command) {
    if (isMenuItemEnabled(command)) SendMessageW(window_, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void Win32DialogWindow::setAccelerators(std::vector<std::pair<DialogKey, int>> keys) {
    accelerators_ = std::move(keys);
}

std::optional<int> Win32DialogWindow::acceleratorCommand(DialogKey key) const {
    const Win32DialogWindow* root = window_ ? objectOf(GetAncestor(window_, GA_ROOT)) : nullptr;
    for (const Win32DialogWindow* holder : {this, root}) {
        if (!holder) continue;
        for (const auto& [accelerator, command] : holder->accelerators_) {
            if (accelerator == key) return command;
        }
    }
    return std::nullopt;
}

void Win32DialogWindow::onShowHide(std::function<void(bool shown)> handler) {
    showHideHandler_ = std::move(handler);
}

void Win32DialogWindow::placeInOwner(int x, int y) {
    if (window_) SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND handleOf(DialogWindow* window) {
    auto* win32Window = dynamic_cast<Win32DialogWindow*>(window);
    return win32Window ? win32Window->handle() : nullptr;
}

bool preTranslateForDialogs(MSG& message) {
    Win32DialogWindow* target = message.hwnd ? objectOf(GetAncestor(message.hwnd, GA_ROOT)) : nullptr;
    return target && target->preTranslate(message);
}

}  // namespace lmx::gui::win32

namespace lmx::gui {

std::unique_ptr<DialogWindow> createDialogWindow(const DialogTemplate& dialogTemplate, DialogWindow* owner) {
    return std::make_unique<win32::Win32DialogWindow>(dialogTemplate, win32::handleOf(owner));
}

}  // namespace lmx::gui
