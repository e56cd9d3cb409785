#pragma once
// The dialog window on Qt Widgets: a TemplateDialog behind the DialogWindow interface.

class QAction;

#include <map>
#include <memory>

#include "gui/dialog_window.h"
#include "gui/template_dialog.h"

namespace lmx::gui {

class QtDialogWindow final : public DialogWindow {
public:
    QtDialogWindow(const DialogTemplate& dialogTemplate, QWidget* parent);
    // The interface for a dialog that exists already (and that outlives this object): how
    // windows still written against TemplateDialog own the ones written against the interface.
    explicit QtDialogWindow(TemplateDialog& existing);
    ~QtDialogWindow() override;

    TemplateDialog& dialog() { return *dialog_; }

    int templateId() const override { return dialog_->templateId(); }
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

    void setWindowProcedure(WindowProcedure procedure) override;
    std::intptr_t sendMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

    void post(std::function<void()> task) override;

private:
    class KeyWatch;

    std::vector<MenuItem> contextMenu_;
    std::map<int, QAction*> menuItems_;
    std::map<int, std::optional<std::uint32_t>> backgrounds_;
    std::map<int, std::vector<TabItem>> tabItems_;
    std::unique_ptr<KeyWatch> keyWatch_;
    std::optional<int> result_;
    QMetaObject::Connection finished_;
    std::unique_ptr<TemplateDialog> owned_;
    TemplateDialog* dialog_ = nullptr;
};

// The widget a dialog window is drawn with; null for null.
QWidget* widgetOf(DialogWindow* window);

}  // namespace lmx::gui
