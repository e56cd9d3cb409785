#pragma once
// The firmware tool's own texts. They are the program's, in English except where the Japanese
// user interface of the tool has them in Japanese; the tool has no language switch.

#include <string>
#include <string_view>

namespace fwup {

inline constexpr std::string_view kProgramName = "LMXDuo_fwupTool";

inline constexpr std::string_view kNotSelectDevice = "Not Select Device.";
inline constexpr std::string_view kProgramAlreadyRunning = "Program Already Running";
// The one-copy guard cannot be taken: the user has no folder of their own for it.
inline constexpr std::string_view kGuardUnavailable =
    "LMXDuo_fwupTool cannot make sure that it is the only copy running: its lock cannot be taken "
    "(no folder of this user's own for it), so it does not run";
inline constexpr std::string_view kCannotGetBuffer = "program can't get buffer.";
inline constexpr std::string_view kPleaseSelectDevice = "Please Select Device";
inline constexpr std::string_view kFailedCreateUpdateThread = "Failed create UpdateThread.";
// The command line names a path longer than the path box takes.
inline constexpr std::string_view kCommandLineTooLong =
    "コマンドライン引数の入力が正しくありません.\r\n第一引数: F/W Direct Path\r\n";
// No drive could be opened, and at least one was refused for lack of rights.
inline constexpr std::string_view kNoRightsToDrives =
    "No drive could be opened: access to the disks was denied.\r\n"
    "Run LMXDuo_fwupTool as root (administrator) to update a controller.";

// String 101: the window menu's item that opens the About box.
inline constexpr std::string_view kAboutMenuItem = "バージョン情報 LMXDuo_fwupTool(&A)...";
// Browse: BIN files, and all files.
inline constexpr std::string_view kImageFileFilter = "BIN形式(*.bin)|*.bin|全て(*.*)|*.*||";

// The target drive refused to open for lack of rights.
inline constexpr std::string_view kNoRightsToDrive =
    "Access to the drive was denied: run LMXDuo_fwupTool as root (administrator).";

// The path box's text before a file is chosen.
inline constexpr std::string_view kDefaultImagePath = "C:\\";

// A text as this system shows it: lines end with '\n' alone, and no empty line follows the last.
inline std::string plainLines(std::string_view text) {
    std::string lines;
    for (const char c : text) {
        if (c != '\r') lines += c;
    }
    while (!lines.empty() && lines.back() == '\n') lines.pop_back();
    return lines;
}

}  // namespace fwup
