#pragma once
// Named mutexes of the user's session (CreateMutexA with a name and no namespace prefix): the
// first process to create a name owns it for its life; later ones learn that it exists (183),
// which is how a program makes sure it runs once per session.

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/native_handle.h"

namespace platform {

class NamedMutex {
public:
    // Creates or opens the mutex. `alreadyExists` tells whether another process holds the name;
    // empty (with the last error) when neither could be done: 5 when the user has no folder of
    // their own for the session's mutexes (see window_directory.h).
    static std::unique_ptr<NamedMutex> create(std::string_view name, bool& alreadyExists);
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

private:
    explicit NamedMutex(NativeHandle handle) : descriptor_(handle) {}
    NativeHandle descriptor_;
};

}  // namespace platform
