#pragma once
// Loading a library by name and finding an export (LoadLibraryA / GetProcAddress / FreeLibrary).
// A name such as "TXTRES_EN.dll" is looked for first in the running program's folder.

#include <memory>
#include <optional>
#include <string_view>

namespace platform {

class Library {
public:
    // Fails with 126 when the library cannot be found or loaded.
    static std::optional<Library> load(std::string_view name);
    ~Library();  // FreeLibrary
    Library(Library&&) noexcept;
    Library& operator=(Library&&) noexcept;

    // Fails (null, last error 127) when the export is missing.
    void* symbol(std::string_view name) const;

    template <typename Function>
    Function* function(std::string_view name) const {
        return reinterpret_cast<Function*>(symbol(name));
    }

private:
    explicit Library(void* handle) : handle_(handle) {}
    void* handle_ = nullptr;
};

}  // namespace platform
