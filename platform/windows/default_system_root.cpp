#include <cstdlib>
#include <string>

#include "platform/system_root.h"

namespace platform {

// The machine's application data folder (%ProgramData%, C:\ProgramData on every Windows since
// Vista) holds the suite's files: logs, locks, simulated drives.
const char* defaultSystemRoot() {
    static const std::string root = [] {
        const char* programData = std::getenv("ProgramData");
        return std::string(programData && *programData ? programData : "C:\\ProgramData") + "\\LMXDuowatch";
    }();
    return root.c_str();
}

}  // namespace platform
