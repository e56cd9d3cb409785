// Before main, while the program has no other thread: a relative LMXDUOWATCH_ROOT in the
// environment is replaced by its absolute path, so that every program this one starts means
// the same folder.

#include <cstdlib>
#include <filesystem>

#include "platform/system_root.h"

namespace platform {
namespace {

[[maybe_unused]] const bool gRootMadeAbsolute = [] {
    const char* configured = std::getenv(kSystemRootVariable);
    if (!configured || !*configured || std::filesystem::path(configured).is_absolute()) return false;
    return ::_putenv_s(kSystemRootVariable, absoluteRoot(configured).string().c_str()) == 0;
}();

}  // namespace

// Referenced by systemRoot(), so that this file is linked into every program that uses the root.
void makeSystemRootAbsoluteInEnvironment() {}

}  // namespace platform
