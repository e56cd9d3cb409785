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
#include <vector>

#include "gui/dialog_template.h"

namespace lmx::gui {

enum class DialogKey { Enter, Escape };

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

// An item of a context menu: choosing it sends `command` as a button click would.
struct MenuItem {
    int command = 0;
    std::string text;
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
