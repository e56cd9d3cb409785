#include "platform/help_file.h"

namespace platform {

std::filesystem::path helpDocument(const std::filesystem::path& helpFile) {
    if (helpFile.extension() != ".chm") return helpFile;
    return helpFile.parent_path() / helpFile.stem() / "index.html";
}

}  // namespace platform
