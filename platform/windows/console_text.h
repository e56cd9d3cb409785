#pragma once
// The suite's UTF-8 texts in a Windows code page, for output that is not a console.

#include <string>
#include <string_view>

namespace platform::win32 {

// `utf8` in the code page `codePage` (932: Shift_JIS); characters it lacks become its default.
std::string inCodePage(std::string_view utf8, unsigned codePage);

}  // namespace platform::win32
