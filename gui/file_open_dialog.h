#pragma once
// GetOpenFileName: the file-open dialog, returning the chosen file's full path or nothing when
// cancelled. Its filter has the Windows form, "Name|patterns|…||". Tests install
// FileOpenAnswers, which answers in advance and records what each dialog was asked, so that no
// test enters a modal loop.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gui/file_dialog_answers.h"

namespace lmx::gui {

class DialogWindow;

struct FileOpenRequest {
    std::string folder;  // where the dialog starts (UTF-8)
    std::string filter;  // "BIN形式(*.bin)|*.bin|全て(*.*)|*.*||"
};

std::optional<std::string> chooseFileToOpen(DialogWindow* owner, const FileOpenRequest& request);

using FileOpenAnswers = FileDialogAnswers<FileOpenRequest, std::string>;

// The filter's file types as (description, patterns) pairs, "*.bin;*.img" patterns kept as
// written; the list ends at the first empty description.
std::vector<std::pair<std::string, std::string>> fileTypes(std::string_view windowsFilter);

}  // namespace lmx::gui
