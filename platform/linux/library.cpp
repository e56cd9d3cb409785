#include "platform/library.h"

#include <dlfcn.h>

#include <string>
#include <utility>

#include "platform/system_info.h"
#include "platform/win_error.h"

namespace platform {

namespace {

// "TXTRES_EN.dll" → "TXTRES_EN.so": the same library under this platform's file ending.
std::string sharedObjectName(std::string_view name) {
    std::string file(name);
    if (file.size() > 4) {
        std::string ending = file.substr(file.size() - 4);
        for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ending == ".dll") file.resize(file.size() - 4);
    }
    if (!file.ends_with(".so")) file += ".so";
    return file;
}

}  // namespace

std::optional<Library> Library::load(std::string_view name) {
    const std::string file = sharedObjectName(name);
    void* handle = nullptr;
    if (file.find('/') == std::string::npos) {
        const std::string folder = programFolder();
        if (!folder.empty()) handle = dlopen((folder + file).c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    if (!handle) handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        setLastError(kErrorModNotFound);
        return std::nullopt;
    }
    return Library(handle);
}

Library::~Library() {
    if (handle_) dlclose(handle_);
}

Library::Library(Library&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

Library& Library::operator=(Library&& other) noexcept {
    if (this != &other) {
        if (handle_) dlclose(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

void* Library::symbol(std::string_view name) const {
    void* address = handle_ ? dlsym(handle_, std::string(name).c_str()) : nullptr;
    if (!address) setLastError(kErrorProcNotFound);
    return address;
}

}  // namespace platform
