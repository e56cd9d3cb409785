#pragma once
// Where the machine keys of the current system root live: HKEY_LOCAL_MACHINE itself under the
// default root, a subkey of HKEY_CURRENT_USER under any other (root_scope.h), so that tests
// never write the machine's keys and never meet each other's.

#include <windows.h>

#include <string>

namespace platform::win32 {

struct RegistryLocation {
    HKEY key = HKEY_LOCAL_MACHINE;
    // Put before every machine path: empty, or the root's subkey with a trailing backslash.
    std::string prefix;
};

RegistryLocation machineRegistryRoot();

}  // namespace platform::win32
