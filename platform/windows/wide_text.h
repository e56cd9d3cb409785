#pragma once
// The suite's texts are UTF-8; Windows' wide calls take UTF-16. Invalid input becomes U+FFFD
// (widen) or the replacement character's UTF-8 (narrow), never an error.

#include <string>
#include <string_view>

namespace platform::win32 {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

}  // namespace platform::win32
