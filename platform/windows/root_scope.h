#pragma once
// Windows keeps the registry, pipes, mutexes, services and window classes machine-wide. Under
// the default system root they have the names the suite gives them; under any other root (a
// test's, or a demo's) each name carries that root's tag, so that programs pointed at separate
// roots never meet, as the Linux stand-ins never do.

#include <string>
#include <string_view>

namespace platform::win32 {

// Empty under the default root; otherwise 16 hexadecimal digits, the same for every spelling
// of the root's path (compared without case, with either slash).
std::string rootTag();

// `name` under the default root, `name` + "." + the tag under another.
std::string scopedName(std::string_view name);

// The registry key under which the machine keys of this root live: "" for the default root
// (HKEY_LOCAL_MACHINE itself), else this subkey of HKEY_CURRENT_USER, which tests may write
// without an administrator's rights.
std::string registryRootKey();

}  // namespace platform::win32
