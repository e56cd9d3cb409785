#include "platform/help_file.h"

#include <system_error>

namespace platform {

// Windows opens a compiled help file itself (HTML Help). A suite built without the HTML Help
// compiler ships the HTML guide NAME\index.html instead, which the browser opens.
std::filesystem::path helpDocument(const std::filesystem::path& helpFile) {
    std::error_code error;
    if (helpFile.extension() != ".chm" || std::filesystem::is_regular_file(helpFile, error)) return helpFile;
    return helpFile.parent_path() / helpFile.stem() / "index.html";
}

}  // namespace platform
