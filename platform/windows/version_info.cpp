#include "platform/version_info.h"

#include <windows.h>

#include <cctype>
#include <vector>

#include "platform/win_error.h"
#include "platform/windows/wide_text.h"

namespace platform {

namespace {

// The string names of a version resource that the suite's records carry or a reader may ask
// for; VerQueryValueW answers by name and cannot list a block's strings.
constexpr const char* kStringNames[] = {"ProductName",      "ProductVersion",  "LegalCopyright", "FileVersion",
                                        "FileDescription",  "CompanyName",     "InternalName",   "OriginalFilename",
                                        "LegalTrademarks", "Comments",        "PrivateBuild",   "SpecialBuild"};

std::string stringBlockPath() { return std::string("\\StringFileInfo\\") + std::string(kVersionLanguageBlock) + "\\"; }

}  // namespace

std::optional<FileVersionInfo> getFileVersionInfo(const std::filesystem::path& file) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) {
        setLastError(::GetLastError());
        return std::nullopt;
    }
    std::vector<std::uint8_t> resource(size);
    if (!::GetFileVersionInfoW(file.c_str(), 0, size, resource.data())) {
        setLastError(::GetLastError());
        return std::nullopt;
    }
    FileVersionInfo info;
    for (const char* name : kStringNames) {
        void* text = nullptr;
        UINT length = 0;
        const std::wstring subBlock = win32::widen(stringBlockPath() + name);
        if (!::VerQueryValueW(resource.data(), subBlock.c_str(), &text, &length) || !text) continue;
        // The length counts characters, with the terminating zero where the resource has one.
        std::wstring_view value(static_cast<const wchar_t*>(text), length);
        if (const auto end = value.find(L'\0'); end != std::wstring_view::npos) value = value.substr(0, end);
        info.strings.emplace(name, win32::narrow(value));
    }
    if (info.strings.empty()) return std::nullopt;
    return info;
}

// As VerQueryValueW does: the block's path compared without regard to case.
std::optional<std::string> verQueryValue(const FileVersionInfo& info, std::string_view subBlock) {
    const std::string prefix = stringBlockPath();
    if (subBlock.size() <= prefix.size()) return std::nullopt;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(subBlock[i])) != std::toupper(static_cast<unsigned char>(prefix[i]))) {
            return std::nullopt;
        }
    }
    const auto found = info.strings.find(subBlock.substr(prefix.size()));
    if (found == info.strings.end()) return std::nullopt;
    return found->second;
}

}  // namespace platform
