#pragma once
// A dialog window made from a DialogTemplate, in the dialog manager's terms: controls reached by
// their ids (text, check, enable, show, report-view rows and selection), commands by id, modal
// and modeless runs, the close box, a context menu, and work handed over from other threads.
// A window's behaviour is written once against this interface; each platform draws it with its
// own toolkit (gui/qt/ with Qt Widgets, gui/win32/ with the Windows dialog manager).
//
// Every call but post() belongs to the thread that created the window. Calls that name an id
// the template has no control for do nothing and read as empty.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gui/dialog_template.h"

namespace lmx::gui {

// Keys a dialog takes: Enter and Esc by its key policy, the others by its accelerators.
enum class DialogKey { Enter, Escape, CtrlTab, F1, F5 };

// A rectangle in pixels: a control's within the window's client area, or the client area.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// A report view's column: its title and initial width in pixels.
struct ListColumn {
    std::string title;
    int width = 0;
};

// An item of a context menu or of a menu bar's menu: choosing it sends `command` as a button
// click would. In a menu bar, command 0 is a separator.
struct MenuItem {
    int command = 0;
    std::string text;
};

struct Menu {
    std::string text;
    std::vector<MenuItem> items;
};

// What a text progress bar shows: a solid bar of the colour (0xRRGGBB) up to the position
// (0..100), and the text centred on the whole bar.
struct ProgressView {
    int position = 0;
    std::uint32_t barRgb = 0;
    std::string text;
    friend bool operator==(const ProgressView&, const ProgressView&) = default;
};

// A tab of a tab control, with a program icon beside its text (0: none).
struct TabItem {
    std::string text;
    int iconId = 0;
    friend bool operator==(const TabItem&, const TabItem&) = default;
};

// A tree view of two levels, as the suite's windows use it: roots with their children, every
// root expanded. A position names a root, and a child of it or (-1) none.
struct TreeItem {
    std::string text;
    std::vector<std::string> children;
    friend bool operator==(const TreeItem&, const TreeItem&) = default;
};
struct TreePosition {
    int root = 0;
    int child = -1;
    friend bool operator==(const TreePosition&, const TreePosition&) = default;
};

class DialogWindow {
public:
    virtual ~DialogWindow() = default;

    virtual int templateId() const = 0;
    virtual std::string caption() const = 0;
    virtual void setCaption(std::string_view caption) = 0;
    // The caption's and task bar's icon: a program icon by its resource number.
    virtual void setIcon(int iconId) = 0;
    // A minimise box beside the close box.
    virtual void addMinimizeBox() = 0;

    // Geometry in pixels. The client area keeps the template's size (converted with the dialog
    // font's base units, as MapDialogRect does) until it is set otherwise.
    virtual PixelRect toPixels(const DialogRect& rect) const = 0;
    virtual PixelRect clientRect() const = 0;
    virtual void setClientSize(int width, int height) = 0;
    virtual PixelRect controlRect(int id) const = 0;
    virtual void setControlRect(int id, const PixelRect& rect) = 0;
    // The height a static text needs to show all its lines, broken at words within its width.
    virtual int textHeight(int id) const = 0;

    // SetDlgItemText / GetDlgItemText (UTF-8).
    virtual std::string text(int id) const = 0;
    virtual void setText(int id, std::string_view text) = 0;
    // EM_LIMITTEXT: an edit box takes at most this many characters; 0 when there is no limit.
    virtual void limitText(int id, int characters) = 0;
    virtual int textLimit(int id) const = 0;
    virtual bool isReadOnly(int id) const = 0;
    // An icon control shows a program icon by its resource number.
    virtual void setControlIcon(int id, int iconId) = 0;
    // An icon control shows the system's icon of a message-box class (the MB_ICON values: 16
    // error, 32 question, 48 warning, 64 information); another value shows none.
    virtual void setControlSystemIcon(int id, int iconClass) = 0;
    virtual bool showsIcon(int id) const = 0;

    virtual bool isEnabled(int id) const = 0;
    virtual void enable(int id, bool enabled) = 0;
    // ShowWindow on a control.
    virtual bool isShown(int id) const = 0;
    virtual void showControl(int id, bool shown) = 0;
    // SetFocus.
    virtual void focus(int id) = 0;
    // A read-only edit box's background: a colour (0xRRGGBB), or (empty) the dialog's own.
    virtual void setBackground(int id, std::optional<std::uint32_t> rgb) = 0;
    virtual std::optional<std::uint32_t> background(int id) const = 0;
    // A right-aligned static text: up to `pixels` between its text and its right edge, where
    // the text leaves that room; where the text needs more than the label's width, the label
    // may grow to the left (so that no part of the text is cut off).
    virtual void keepGapAfterText(int id, int pixels) = 0;

    // Text progress bars; text(id) reads the bar's text.
    virtual void setProgress(int id, const ProgressView& view) = 0;
    virtual ProgressView progress(int id) const = 0;

    // Tab controls. selectTab sends no notification; chooseTab is the user's choice, which does.
    virtual void setTabs(int id, const std::vector<TabItem>& tabs) = 0;
    virtual std::vector<TabItem> tabs(int id) const = 0;
    virtual void selectTab(int id, int index) = 0;
    virtual int selectedTab(int id) const = 0;  // -1: none
    virtual void onTabChosen(int id, std::function<void(int index)> handler) = 0;
    virtual void chooseTab(int id, int index) = 0;

    // Tree views. setTree selects nothing; every change of the selection, the program's and
    // the user's alike (TVN_SELCHANGED), reaches the handler.
    virtual void setTree(int id, const std::vector<TreeItem>& roots) = 0;
    virtual std::vector<TreeItem> tree(int id) const = 0;
    virtual void selectTreeItem(int id, std::optional<TreePosition> position) = 0;
    virtual std::optional<TreePosition> selectedTreeItem(int id) const = 0;
    virtual void onTreeSelection(int id, std::function<void(std::optional<TreePosition>)> handler) = 0;

    // Check boxes (BM_SETCHECK / BM_GETCHECK): setting the state sends no command.
    virtual bool isChecked(int id) const = 0;
    virtual void check(int id, bool checked) = 0;

    // Drop-down lists: their entries, and the selected one (none: empty). Setting either sends
    // no notification; chooseItem is the user's choice, which does (CBN_SELCHANGE).
    virtual void setItems(int id, const std::vector<std::string>& items) = 0;
    virtual std::vector<std::string> items(int id) const = 0;
    virtual void selectItem(int id, std::optional<int> index) = 0;
    virtual std::optional<int> selectedItem(int id) const = 0;
    virtual void onItemChosen(int id, std::function<void(int index)> handler) = 0;
    virtual void chooseItem(int id, int index) = 0;

    // Report views: columns, then rows of cell texts. setRows sizes every column to its widest
    // cell or title, the last one taking the rest; it selects no row.
    virtual void setColumns(int id, const std::vector<ListColumn>& columns) = 0;
    virtual std::vector<std::string> columnTitles(int id) const = 0;
    virtual void setRows(int id, const std::vector<std::vector<std::string>>& rows) = 0;
    virtual int rowCount(int id) const = 0;
    virtual std::vector<std::string> row(int id, int index) const = 0;
    // Selects the whole row (without making it the focused one), or clears the selection.
    virtual void selectRow(int id, std::optional<int> index) = 0;
    virtual std::optional<int> selectedRow(int id) const = 0;
    // Whether every column is wide enough for its title and each of its cells, in the list's
    // own font.
    virtual bool columnsShowTextWhole(int id) const = 0;

    // WM_COMMAND from a control; a button without a handler ends the dialog with the result its
    // template gives it.
    virtual void onCommand(int id, std::function<void()> handler) = 0;
    // BM_CLICK: what a click on the control does; nothing while it is disabled.
    virtual void click(int id) = 0;
    // What Enter and Esc do in the dialog (its template's key policy).
    virtual void pressKey(DialogKey key) = 0;
    // The close box: `mayClose` decides whether the window ends; without it the template's key
    // policy does. close() is what the close box does; true when the window ended.
    virtual void onClose(std::function<bool()> mayClose) = 0;
    virtual bool close() = 0;
    // The menu a right click on the dialog opens.
    virtual void setContextMenu(std::vector<MenuItem> items) = 0;
    // SetMenu: a menu bar above the client area, which keeps its size (the window grows). Its
    // items send their commands; a grayed item cannot be chosen. chooseMenuItem is the user's
    // choice of an item.
    virtual void setMenuBar(const std::vector<Menu>& menus) = 0;
    virtual void enableMenuItem(int command, bool enabled) = 0;
    virtual bool isMenuItemEnabled(int command) const = 0;
    virtual void chooseMenuItem(int command) = 0;
    // Keys that send a command wherever the focus is in the window (an accelerator table).
    virtual void setAccelerators(std::vector<std::pair<DialogKey, int>> keys) = 0;
    // Called as the window is shown (true) or hidden (false).
    virtual void onShowHide(std::function<void(bool shown)> handler) = 0;
    // A child dialog's place in its owner's client area.
    virtual void placeInOwner(int x, int y) = 0;

    // DoModal: runs the dialog until endDialog and returns its result.
    virtual int doModal() = 0;
    // EndDialog: ends a modal run with `result`, or hides a modeless window.
    virtual void endDialog(int result) = 0;
    // The result of the last endDialog, if any.
    virtual std::optional<int> result() const = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool isVisible() const = 0;

    // The window's own messages (WM_USER and up) from its owner on the same thread: the
    // procedure set here handles them; without one, sendMessage returns 0.
    using WindowProcedure = std::function<std::intptr_t(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)>;
    virtual void setWindowProcedure(WindowProcedure procedure) = 0;
    virtual std::intptr_t sendMessage(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) = 0;

    // From any thread: `task` runs later on the window's thread, after the tasks posted before
    // it. Tasks not yet run when the window is destroyed are dropped.
    virtual void post(std::function<void()> task) = 0;
};

// The window of `dialogTemplate`, owned by `owner` (null for a window of its own).
std::unique_ptr<DialogWindow> createDialogWindow(const DialogTemplate& dialogTemplate, DialogWindow* owner = nullptr);

// The program's window toolkit: one object for the program's life, before the first window.
class GuiApplication {
public:
    explicit GuiApplication(const char* programName);
    ~GuiApplication();
    GuiApplication(const GuiApplication&) = delete;
    GuiApplication& operator=(const GuiApplication&) = delete;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Handles the window messages that are waiting, then returns.
void processPendingEvents();

}  // namespace lmx::gui
