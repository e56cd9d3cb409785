#pragma once
// The dialog window on the Windows dialog manager: a modeless dialog created from the in-memory
// template of its DialogTemplate, behind the DialogWindow interface. Modal runs have their own
// message loop with the owner disabled, as MFC's DoModal does.

#include <windows.h>
#include <commctrl.h>

#include <map>

#include "gui/dialog_window.h"
#include "gui/posted_tasks.h"

namespace lmx::gui::win32 {

class Win32DialogWindow final : public DialogWindow {
public:
    Win32DialogWindow(const DialogTemplate& dialogTemplate, HWND owner);
    ~Win32DialogWindow() override;

    HWND handle() const { return window_; }

    int templateId() const override { return templateId_; }
    std::string caption() const override;
    void setCaption(std::string_view caption) override;
    void setIcon(int iconId) override;
    void addMinimizeBox() override;

    PixelRect toPixels(const DialogRect& rect) const override;
    PixelRect clientRect() const override;
    void setClientSize(int width, int height) override;
    PixelRect controlRect(int id) const override;
    void setControlRect(int id, const PixelRect& rect) override;
    int textHeight(int id) const override;

    std::string text(int id) const override;
    void setText(int id, std::string_view text) override;
    void limitText(int id, int characters) override;
    int textLimit(int id) const override;
    bool isReadOnly(int id) const override;
    void setControlIcon(int id, int iconId) override;
    void setControlSystemIcon(int id, int iconClass) override;
    bool showsIcon(int id) const override;
    bool isEnabled(int id) const override;
    void enable(int id, bool enabled) override;
    bool isShown(int id) const override;
    void showControl(int id, bool shown) override;
    void focus(int id) override;
    void setBackground(int id, std::optional<std::uint32_t> rgb) override;
    std::optional<std::uint32_t> background(int id) const override;
    void keepGapAfterText(int id, int pixels) override;
    void setProgress(int id, const ProgressView& view) override;
    ProgressView progress(int id) const override;
    void setTabs(int id, const std::vector<TabItem>& tabs) override;
    std::vector<TabItem> tabs(int id) const override;
    void selectTab(int id, int index) override;
    int selectedTab(int id) const override;
    void onTabChosen(int id, std::function<void(int index)> handler) override;
    void chooseTab(int id, int index) override;
    void setTree(int id, const std::vector<TreeItem>& roots) override;
    std::vector<TreeItem> tree(int id) const override;
    void selectTreeItem(int id, std::optional<TreePosition> position) override;
    std::optional<TreePosition> selectedTreeItem(int id) const override;
    void onTreeSelection(int id, std::function<void(std::optional<TreePosition>)> handler) override;

    bool isChecked(int id) const override;
    void check(int id, bool checked) override;
    void setItems(int id, const std::vector<std::string>& items) override;
    std::vector<std::string> items(int id) const override;
    void selectItem(int id, std::optional<int> index) override;
    std::optional<int> selectedItem(int id) const override;
    void onItemChosen(int id, std::function<void(int index)> handler) override;
    void chooseItem(int id, int index) override;

    void setColumns(int id, const std::vector<ListColumn>& columns) override;
    std::vector<std::string> columnTitles(int id) const override;
    void setRows(int id, const std::vector<std::vector<std::string>>& rows) override;
    int rowCount(int id) const override;
    std::vector<std::string> row(int id, int index) const override;
    void selectRow(int id, std::optional<int> index) override;
    std::optional<int> selectedRow(int id) const override;
    bool columnsShowTextWhole(int id) const override;

    void onCommand(int id, std::function<void()> handler) override;
    void click(int id) override;
    void pressKey(DialogKey key) override;
    void onClose(std::function<bool()> mayClose) override;
    bool close() override;
    void setContextMenu(std::vector<MenuItem> items) override;
    void setMenuBar(const std::vector<Menu>& menus) override;
    void enableMenuItem(int command, bool enabled) override;
    bool isMenuItemEnabled(int command) const override;
    void chooseMenuItem(int command) override;
    void setAccelerators(std::vector<std::pair<DialogKey, int>> keys) override;
    void onShowHide(std::function<void(bool shown)> handler) override;
    void placeInOwner(int x, int y) override;

    int doModal() override;
    void endDialog(int result) override;
    std::optional<int> result() const override { return result_; }
    void show() override;
    void hide() override;
    bool isVisible() const override;

    void setWindowProcedure(WindowProcedure procedure) override { procedure_ = std::move(procedure); }
    std::intptr_t sendMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

    void post(std::function<void()> task) override;

    // What the message loops do with a message for this window before dispatching it: Enter
    // and Esc go to the key policy, Tab and the arrows to the dialog manager. True when taken.
    bool preTranslate(MSG& message);

private:
    static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_COMMAND: the handler, else the button's result; false when nothing takes the id.
    bool command(int id);
    HWND control(int id) const;
    int columnCount(HWND list) const;
    void runPosted();
    void placeOnFirstShow();
    // The accelerator's command for a key, in this window or the top-level window it lies in.
    std::optional<int> acceleratorCommand(DialogKey key) const;
    INT_PTR notify(const NMHDR& header);
    std::optional<TreePosition> positionOf(int id, HTREEITEM item) const;
    HBRUSH brushFor(std::uint32_t rgb);

    int templateId_ = 0;
    KeyPolicy keys_;
    std::map<int, int> buttonResults_;
    std::optional<int> defaultButton_;
    std::map<int, std::function<void()>> handlers_;
    std::map<int, std::function<void(int)>> itemHandlers_;
    WindowProcedure procedure_;
    std::function<bool()> closeFilter_;
    std::vector<MenuItem> contextMenu_;
    std::optional<int> result_;
    std::map<int, std::function<void(int)>> tabHandlers_;
    std::map<int, std::function<void(std::optional<TreePosition>)>> treeHandlers_;
    std::map<int, std::vector<TabItem>> tabItems_;
    std::map<int, HIMAGELIST> tabImages_;
    // Per tree: each root's item and its children's.
    std::map<int, std::vector<std::pair<HTREEITEM, std::vector<HTREEITEM>>>> treeItems_;
    bool quietTree_ = false;
    std::map<int, std::optional<std::uint32_t>> backgrounds_;
    std::map<std::uint32_t, HBRUSH> brushes_;
    std::vector<std::pair<DialogKey, int>> accelerators_;
    std::function<void(bool)> showHideHandler_;
    HMENU menuBar_ = nullptr;
    bool child_ = false;
    bool modalRunning_ = false;
    bool inModalLoop_ = false;
    bool placed_ = false;
    HWND owner_ = nullptr;
    HWND window_ = nullptr;

    PostedTasks posted_;
};

// The window a dialog window is drawn with; null for null.
HWND handleOf(DialogWindow* window);

// The message loops' step before dispatching: a message for one of the suite's dialogs (or a
// control in it) goes to that dialog's preTranslate. True when taken.
bool preTranslateForDialogs(MSG& message);

// A program icon by its resource number in the program's file, at the given size; null when
// the program has no such icon. Icons are shared and never destroyed.
HICON programIcon(int iconId, int size);

}  // namespace lmx::gui::win32
