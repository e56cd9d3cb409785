#pragma once
// GetSaveFileName: the save-file dialog, returning the chosen path or nothing when cancelled.
// A name typed without an extension gets the extension of the chosen file type (the default
// extension when the type has none), and choosing an existing file asks before overwriting.
// Tests install SaveFileAnswers, which answers in advance and records what was asked, so that
// no test enters a modal loop.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gui/file_dialog_answers.h"

namespace lmx::gui {

class DialogWindow;

struct SaveFileRequest {
    std::string fileName;          // preset in the name box
    std::string defaultExtension;  // without the dot
    // The file types as "Description (*.ext)", the first one chosen at the start.
    std::vector<std::string> filters;
    std::string initialFolder;
};

std::optional<std::string> saveFileName(DialogWindow* owner, const SaveFileRequest& request);

using SaveFileAnswers = FileDialogAnswers<SaveFileRequest, std::string>;

// The extension a file type "Description (*.ext)" names, or empty.
std::string filterExtension(std::string_view filter);

}  // namespace lmx::gui
