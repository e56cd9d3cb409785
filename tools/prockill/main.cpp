// prockill: ends the first running program with the given executable file name (compared
// without regard to case) whose program file can be opened. Exit code 1 when a process was
// ended, else 0.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "common/ascii_text.h"
#include "common/product_version.h"
#include "platform/process_list.h"
#include "platform/version_record.h"
#include "platform/win_error.h"

LMX_DEFINE_VERSION_RECORD("LMX Duowatch Process Terminator", LMX_PRODUCT_VERSION, LMX_LEGAL_COPYRIGHT);

namespace {

// The process's program file must still be there and readable: 0, or the error of the open.
std::uint32_t checkProgramFile(std::uint32_t processId) {
    const auto program = platform::processes::firstModulePath(processId);
    if (!program) return platform::lastError();
    std::FILE* file = std::fopen(program->c_str(), "rb");
    if (!file) return platform::errorFromErrno(errno);
    std::fclose(file);
    return platform::kErrorSuccess;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("Usage: prockill <executable file name>\n");
        return 0;
    }
    const std::string_view wanted = argv[1];
    const auto processes = platform::processes::snapshotProcesses();
    if (!processes || processes->empty()) return 0;

    int result = 0;
    for (const auto& process : *processes) {
        if (!lmx::equalIgnoringAsciiCase(process.exeFile, wanted)) continue;
        if (const auto error = checkProgramFile(process.processId); error != platform::kErrorSuccess) {
            std::printf("Cannot open input file. Error: %x\n", error);
            continue;
        }
        auto handle = platform::processes::ProcessHandle::open(platform::processes::kProcessAllAccess, process.processId);
        if (handle && handle->terminate(0)) {
            std::printf("%s process terminated.\n", argv[1]);
            result = 1;
        }
        break;
    }
    if (result == 0) std::printf("Failed to terminate %s process!\nSpecified process may not exist.\n", argv[1]);
    return result;
}
