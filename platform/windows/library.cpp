#include "platform/library.h"

#include <windows.h>

#include <string>
#include <utility>

#include "platform/system_info.h"
#include "platform/win_error.h"
#include "platform/windows/wide_text.h"

namespace platform {

namespace {

HMODULE moduleOf(void* handle) { return static_cast<HMODULE>(handle); }

}  // namespace

// A bare name is loaded from the program's folder by its full path first, then from the
// system's folders; never from the current folder or PATH, where another user may have put a
// library of that name.
std::optional<Library> Library::load(std::string_view name) {
    const std::wstring file = win32::widen(name);
    HMODULE module = nullptr;
    if (file.find_first_of(L"\\/") == std::wstring::npos) {
        const std::string folder = programFolder();
        if (!folder.empty()) module = ::LoadLibraryExW((win32::widen(folder) + file).c_str(), nullptr, 0);
        if (!module) module = ::LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    } else {
        module = ::LoadLibraryExW(file.c_str(), nullptr, 0);
    }
    if (!module) {
        setLastError(kErrorModNotFound);
        return std::nullopt;
    }
    return Library(module);
}

Library::~Library() {
    if (handle_) ::FreeLibrary(moduleOf(handle_));
}

Library::Library(Library&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

Library& Library::operator=(Library&& other) noexcept {
    if (this != &other) {
        if (handle_) ::FreeLibrary(moduleOf(handle_));
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

void* Library::symbol(std::string_view name) const {
    void* address = handle_ ? reinterpret_cast<void*>(::GetProcAddress(moduleOf(handle_), std::string(name).c_str())) : nullptr;
    if (!address) setLastError(kErrorProcNotFound);
    return address;
}

}  // namespace platform
