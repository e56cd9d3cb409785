#pragma once
// Answers for a file dialog given in advance, for tests: while one is installed, the dialog
// function takes its next answer from it instead of entering a modal loop, and it records
// what each dialog was asked. Installations nest; the newest answers. `Path` is the form of
// path the dialog function returns.

#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace lmx::gui {

template <class Request, class Path>
class FileDialogAnswers {
public:
    FileDialogAnswers() : previous_(std::exchange(installed_, this)) {}
    ~FileDialogAnswers() { installed_ = previous_; }
    FileDialogAnswers(const FileDialogAnswers&) = delete;
    FileDialogAnswers& operator=(const FileDialogAnswers&) = delete;

    // The next dialog returns this path; an empty optional stands for Cancel. Without a queued
    // answer the dialog is cancelled.
    void answer(std::optional<Path> path) { answers_.push_back(std::move(path)); }
    const std::vector<Request>& asked() const { return asked_; }

    // The answers installed now, or null: the dialog function's to call.
    static FileDialogAnswers* installed() { return installed_; }

    std::optional<Path> take(const Request& request) {
        asked_.push_back(request);
        std::optional<Path> next;
        if (!answers_.empty()) {
            next.swap(answers_.front());
            answers_.pop_front();
        }
        return next;
    }

private:
    static inline FileDialogAnswers* installed_ = nullptr;

    std::deque<std::optional<Path>> answers_;
    std::vector<Request> asked_;
    FileDialogAnswers* previous_ = nullptr;
};

}  // namespace lmx::gui
