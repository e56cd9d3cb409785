#include "platform/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/windows/wide_text.h"

namespace platform {

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    std::vector<std::string> words;
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide) {
        for (int i = 0; i < count; ++i) words.push_back(win32::narrow(wide[i]));
        ::LocalFree(wide);
        return words;
    }
    for (int i = 0; i < argc && argv[i]; ++i) words.emplace_back(argv[i]);
    return words;
}

}  // namespace platform
