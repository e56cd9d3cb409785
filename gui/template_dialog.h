#pragma once
// A dialog window built from a DialogTemplate: every control created at its pixel rectangle and
// reachable by id, modal runs that end with EndDialog's result, the dialog's own Enter, Esc and
// close-box policy, and modeless show and hide.

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "gui/dialog_template.h"
#include "gui/dialog_units.h"
#include "gui/posted_tasks.h"
#include "platform/window_directory.h"

class QCloseEvent;
class QHideEvent;
class QShowEvent;
class QKeyEvent;
class QMenuBar;

namespace lmx::gui {

class TemplateDialog : public QDialog {
    Q_OBJECT
public:
    explicit TemplateDialog(const DialogTemplate& dialogTemplate, QWidget* parent = nullptr);
    ~TemplateDialog() override;

    int templateId() const { return templateId_; }
    const DialogBaseUnits& units() const { return units_; }

    // GetDlgItem: the control with this id, or null.
    QWidget* control(int id) const;
    template <typename Widget>
    Widget* controlAs(int id) const {
        return qobject_cast<Widget*>(control(id));
    }

    // SetDlgItemText / GetDlgItemText for labels, edits, buttons, check boxes and group boxes;
    // the progress bar's text for a progress bar.
    void setControlText(int id, const QString& text);
    QString controlText(int id) const;

    // A push button's or check box's click (WM_COMMAND with the control's id).
    void onCommand(int id, std::function<void()> handler);
    // WM_COMMAND with this id, as a click or a menu item sends it; false when nothing takes it.
    bool sendCommand(int id) { return command(id); }
    // From any thread: `task` runs later on the dialog's thread, after those posted before it;
    // tasks not yet run when the dialog goes are dropped. The tasks wait in a queue of the
    // dialog's own: the call that fetches them carries nothing across threads itself.
    void postTask(std::function<void()> task);

    // Called after the window was shown (true) or hidden (false).
    void setVisibilityHandler(std::function<void(bool shown)> handler) { visibilityHandler_ = std::move(handler); }

    // DoModal: runs the dialog until endDialog; returns its result.
    int doModal();
    // EndDialog: ends a modal run with `result`, or hides a modeless dialog.
    void endDialog(int result);

    // Modeless use.
    void showModeless();
    void hideModeless();

    // The window's own messages (WM_USER and up) from its owner on the same thread: the
    // procedure set here handles them; without one, sendMessage returns 0.
    void setWindowProcedure(platform::windows::WindowProcedure procedure);
    std::intptr_t sendMessage(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

    // SetMenu: the window's menu bar above its client area, which keeps the template's size (the
    // window grows by the bar's height and the controls move down with the client area). A bar
    // attached before is destroyed. The dialog takes ownership.
    void attachMenuBar(QMenuBar* bar);
    QMenuBar* menuBar() const { return menuBar_; }
    // Where the client area's (0, 0) lies in the window: below the menu bar.
    QPoint clientOrigin() const;

    // The close box asks `mayClose` first: false leaves the window open.
    void setCloseFilter(std::function<bool()> mayClose) { closeFilter_ = std::move(mayClose); }

    const KeyPolicy& keyPolicy() const { return keys_; }
    void setKeyPolicy(const KeyPolicy& keys) { keys_ = keys; }

protected:
    Q_INVOKABLE void runPostedTasks();

    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Qt's own Esc path; routed through the key policy
    void accept() override;

private:
    QWidget* createControl(const ControlTemplate& control);
    // WM_COMMAND: the handler, else the button's result; false when nothing takes the id.
    bool command(int id);

    int templateId_ = 0;
    DialogBaseUnits units_;
    KeyPolicy keys_;
    std::map<int, QWidget*> controls_;
    std::map<int, std::function<void()>> commandHandlers_;
    std::map<int, int> buttonResults_;
    std::optional<int> defaultButton_;
    platform::windows::WindowProcedure procedure_;
    QMenuBar* menuBar_ = nullptr;
    std::function<bool()> closeFilter_;
    std::function<void(bool)> visibilityHandler_;
    PostedTasks posted_;
};

}  // namespace lmx::gui
