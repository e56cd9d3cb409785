#pragma once
// The file-open dialog of Browse, and its filter in the Windows form ("Name|patterns|…||")
// turned into Qt's. Tests install FileOpenAnswers, which answers in advance and records where
// the dialog would have started, so that no test enters a modal loop.

#include <QString>

#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace fwup::gui {

// "BIN形式(*.bin)|*.bin|全て(*.*)|*.*||" → "BIN形式(*.bin);;全て(*.*)": each description
// names its own patterns, as Qt reads them from its brackets.
QString qtFileFilter(const QString& windowsFilter);

struct FileOpenRequest {
    QString folder;
    QString filter;  // Qt's form
};

// The chosen file's full path, or empty when the user cancelled.
std::optional<QString> chooseFileToOpen(QWidget* owner, const FileOpenRequest& request);

class FileOpenAnswers {
public:
    FileOpenAnswers();
    ~FileOpenAnswers();
    FileOpenAnswers(const FileOpenAnswers&) = delete;
    FileOpenAnswers& operator=(const FileOpenAnswers&) = delete;

    // The next answer: a path, or empty for Cancel. Without a queued answer the user cancels.
    void answer(std::optional<QString> path) { answers_.push_back(std::move(path)); }
    const std::vector<FileOpenRequest>& asked() const { return asked_; }

private:
    friend std::optional<QString> chooseFileToOpen(QWidget*, const FileOpenRequest&);
    std::optional<QString> take(const FileOpenRequest& request);

    std::deque<std::optional<QString>> answers_;
    std::vector<FileOpenRequest> asked_;
    FileOpenAnswers* previous_ = nullptr;
};

}  // namespace fwup::gui
