#pragma once
// GetSaveFileName: the save-file dialog, returning the chosen path or nothing when cancelled.
// A name typed without an extension gets the extension of the chosen file type (the default
// extension when the type has none), and choosing an existing file asks before overwriting.
// Tests install SaveFileAnswers, which answers in advance and records what was asked, so that
// no test enters a modal loop.

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace lmx::gui {

struct SaveFileRequest {
    QString fileName;          // preset in the name box
    QString defaultExtension;  // without the dot
    // The file types as "Description (*.ext)", the first one chosen at the start.
    QStringList filters;
    QString initialFolder;
};

std::optional<QString> saveFileName(QWidget* owner, const SaveFileRequest& request);

class SaveFileAnswers {
public:
    SaveFileAnswers();
    ~SaveFileAnswers();
    SaveFileAnswers(const SaveFileAnswers&) = delete;
    SaveFileAnswers& operator=(const SaveFileAnswers&) = delete;

    // The next dialog returns this path; an empty optional stands for Cancel. Without a queued
    // answer the dialog is cancelled.
    void answer(std::optional<QString> path) { answers_.push_back(std::move(path)); }
    const std::vector<SaveFileRequest>& asked() const { return asked_; }

private:
    friend std::optional<QString> saveFileName(QWidget*, const SaveFileRequest&);
    std::optional<QString> take(const SaveFileRequest& request);

    std::deque<std::optional<QString>> answers_;
    std::vector<SaveFileRequest> asked_;
    SaveFileAnswers* previous_ = nullptr;
};

}  // namespace lmx::gui
