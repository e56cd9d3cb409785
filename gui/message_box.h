#pragma once
// MessageBox: a modal box with caption, text, icon and buttons that returns the id of the
// button pressed. Tests install MessageBoxAnswers, which answers in advance and records what
// was asked, so that no test enters a modal loop.

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace lmx::gui {

class DialogWindow;

// Button ids as MessageBox returns them.
enum MessageBoxResult : int {
    IdOk = 1,
    IdCancel = 2,
    IdAbort = 3,
    IdRetry = 4,
    IdIgnore = 5,
    IdYes = 6,
    IdNo = 7,
};

enum class MessageBoxButtons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };

// The icon classes with their MB_ICON values.
enum class MessageBoxIcon { None = 0, Error = 16, Question = 32, Warning = 48, Information = 64 };

struct MessageBoxRequest {
    std::string text;  // UTF-8
    std::string caption;
    MessageBoxIcon icon = MessageBoxIcon::None;
    MessageBoxButtons buttons = MessageBoxButtons::Ok;
    bool topMost = false;
    bool hasOwner = false;
};

// The button ids of a button set, in the order the box shows them.
std::vector<int> buttonIds(MessageBoxButtons buttons);

// Shows the box modally (owned by `owner` if given) and returns the id of the button pressed;
// closing the box returns IdCancel when it has a Cancel button, else the single button's id.
int messageBox(DialogWindow* owner, std::string_view text, std::string_view caption,
               MessageBoxButtons buttons = MessageBoxButtons::Ok, MessageBoxIcon icon = MessageBoxIcon::None,
               bool topMost = false);

// While an object of this class lives, message boxes show nothing: each records its request and
// returns the next queued answer, or the first button's id when none is queued.
class MessageBoxAnswers {
public:
    MessageBoxAnswers();
    ~MessageBoxAnswers();
    MessageBoxAnswers(const MessageBoxAnswers&) = delete;
    MessageBoxAnswers& operator=(const MessageBoxAnswers&) = delete;

    void answer(int buttonId) { answers_.push_back(buttonId); }
    const std::vector<MessageBoxRequest>& asked() const { return asked_; }

    // The answers installed now, or null: the message box's to call.
    static MessageBoxAnswers* installed();
    int take(const MessageBoxRequest& request);

private:
    std::deque<int> answers_;
    std::vector<MessageBoxRequest> asked_;
    MessageBoxAnswers* previous_ = nullptr;
};

}  // namespace lmx::gui
