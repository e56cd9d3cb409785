#pragma once
// A file path from UTF-8 text, whatever the platform's own encoding of paths: the texts of
// windows and of the string table are UTF-8, and std::filesystem::path(std::string) would
// read them in the system's code page on Windows.

#include <filesystem>
#include <string>
#include <string_view>

namespace lmx {

inline std::filesystem::path utf8Path(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace lmx
