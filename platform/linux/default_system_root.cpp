#include "platform/system_root.h"

namespace platform {

// The state folder of a Linux system's packages.
const char* defaultSystemRoot() { return "/var/lib/lmxduowatch"; }

}  // namespace platform
