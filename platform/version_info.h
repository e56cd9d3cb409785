#pragma once
// Version information of a program file, read from the file without running it
// (GetFileVersionInfoA / VerQueryValueA). Every program file of the suite carries a version
// record with its product name, product version ("1, 0, 0, 1") and legal copyright.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The string table of the record's language block "041104B0" (Japanese, Unicode).
inline constexpr std::string_view kVersionLanguageBlock = "041104B0";

struct FileVersionInfo {
    std::map<std::string, std::string, std::less<>> strings;
};

// Empty when the file is missing or carries no version record.
std::optional<FileVersionInfo> getFileVersionInfo(const std::filesystem::path& file);

// A sub-block such as "\\StringFileInfo\\041104B0\\ProductVersion"; empty when absent.
std::optional<std::string> verQueryValue(const FileVersionInfo& info, std::string_view subBlock);

}  // namespace platform
