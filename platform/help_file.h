#pragma once
// HTML Help: the programs name their help as a compiled help file, "NAME.chm" beside the
// program. On this platform such a name stands for the HTML guide NAME/index.html beside it,
// which any browser opens.

#include <filesystem>

namespace platform {

// The document to open for the help file `helpFile`: NAME/index.html for "NAME.chm" (in the
// same folder); any other path as it is.
std::filesystem::path helpDocument(const std::filesystem::path& helpFile);

}  // namespace platform
