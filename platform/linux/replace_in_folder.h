#pragma once
// The whole replacement of a file through an open folder, shared by replaceFile(path) and
// TrustedFolder::replaceFile: a temporary file made in the folder and renamed over the name.

#include <string_view>

namespace platform {

bool replaceFileInFolder(int folder, std::string_view name, std::string_view bytes);

}  // namespace platform
