#pragma once
// The About box (template 141): product name, version and legal notice from the version record
// of a program file, the application icon, and an OK button that ends it with 1.

#include <filesystem>
#include <memory>

#include "gui/dialog_window.h"

namespace lmx::gui {

inline constexpr int kAboutTemplateId = 141;
inline constexpr int kAboutOkButton = 1043;
inline constexpr int kAboutIcon = 1044;
inline constexpr int kAboutLegalCopyright = 1045;
inline constexpr int kAboutVersion = 1046;
inline constexpr int kAboutProductName = 1047;

DialogTemplate aboutDialogTemplate();

class AboutDialog {
public:
    // Fills the box from `programFile`'s version record; without a record the three texts keep
    // their template texts.
    explicit AboutDialog(const std::filesystem::path& programFile, DialogWindow* owner = nullptr);

    DialogWindow& window() { return *window_; }
    int doModal() { return window_->doModal(); }

private:
    std::unique_ptr<DialogWindow> window_;
};

}  // namespace lmx::gui
