// Named mutexes as the system's own (CreateMutexW): the name is the session's (no "Global\"),
// carrying the system root's tag under a test's root, so that runs under separate roots never meet.

#include "platform/named_mutex.h"

#include <windows.h>

#include "platform/win_error.h"
#include "platform/windows/root_scope.h"
#include "platform/windows/wide_text.h"

namespace platform {

std::unique_ptr<NamedMutex> NamedMutex::create(std::string_view name, bool& alreadyExists) {
    alreadyExists = false;
    // A backslash would name a namespace ("Local\", "Global\"); the suite's names have none.
    std::string scoped = win32::scopedName(name);
    for (char& c : scoped) {
        if (c == '\\') c = '_';
    }
    const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, win32::widen(scoped).c_str());
    const DWORD error = ::GetLastError();
    if (mutex == nullptr) {
        setLastError(error);
        return nullptr;
    }
    if (error == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        alreadyExists = true;
        setLastError(kErrorAlreadyExists);
        return nullptr;
    }
    return std::unique_ptr<NamedMutex>(new NamedMutex(reinterpret_cast<NativeHandle>(mutex)));
}

NamedMutex::~NamedMutex() { ::CloseHandle(reinterpret_cast<HANDLE>(descriptor_)); }

}  // namespace platform
