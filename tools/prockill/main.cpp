// prockill: ends the first running program with the given executable file name (compared
// without regard to case) whose program file is still there and readable. Exit code 1 when a
// process was ended, else 0.
//
// Processes of the caller's own user come first, in list order, then those of other users:
// root's `prockill dwsvc` ends root's service, never a copy another user started under that
// name. Each process is opened before it is looked at, and what is checked (name, user, start
// time, program file) is read through that handle, so the process ended is the one checked
// even if the one listed has ended and its id been given to another. The program file is
// judged from what the system keeps about the process and never opened.

#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "common/ascii_text.h"
#include "common/product_version.h"
#include "platform/command_line.h"
#include "platform/process_list.h"
#include "platform/version_record.h"
#include "platform/win_error.h"

LMX_DEFINE_VERSION_RECORD("LMX Duowatch Process Terminator", LMX_PRODUCT_VERSION, LMX_LEGAL_COPYRIGHT);

namespace {

using platform::processes::ProcessEntry;
using platform::processes::ProcessHandle;

// The processes named `wanted`: the caller's own first, then the others, each in list order.
std::vector<ProcessEntry> candidates(const std::vector<ProcessEntry>& processes, std::string_view wanted) {
    const std::uint32_t caller = platform::processes::currentUserId();
    std::vector<ProcessEntry> own;
    std::vector<ProcessEntry> others;
    for (const auto& process : processes) {
        if (!lmx::equalIgnoringAsciiCase(process.exeFile, wanted)) continue;
        (process.userId == caller ? own : others).push_back(process);
    }
    own.insert(own.end(), others.begin(), others.end());
    return own;
}

// Still the process that was listed: same start and user, and still of that name.
bool sameProcess(const ProcessHandle& handle, const ProcessEntry& listed, std::string_view wanted) {
    const auto now = handle.describe();
    return now && now->startTime == listed.startTime && now->userId == listed.userId &&
           lmx::equalIgnoringAsciiCase(now->exeFile, wanted);
}

}  // namespace

int main(int argc, char** argv) {
    const platform::Utf8CommandLine utf8(argc, argv);
    if (argc < 2) {
        std::printf("Usage: prockill <executable file name>\n");
        return 0;
    }
    const std::string_view wanted = argv[1];
    const auto processes = platform::processes::snapshotProcesses();
    if (!processes || processes->empty()) return 0;

    int result = 0;
    for (const auto& process : candidates(*processes, wanted)) {
        auto handle = ProcessHandle::open(platform::processes::kProcessAllAccess, process.processId);
        if (!handle) {
            // Ended since the list was taken: not a running program of that name any more.
            if (platform::lastError() == platform::kErrorInvalidParameter) continue;
            // Not the caller's to look into, so its program file cannot be checked either.
            std::printf("Cannot open input file. Error: %x\n", platform::lastError());
            continue;
        }
        if (!sameProcess(*handle, process, wanted)) continue;
        if (const auto error = handle->checkProgramFile(); error != platform::kErrorSuccess) {
            std::printf("Cannot open input file. Error: %x\n", error);
            continue;
        }
        if (handle->terminate(0)) {
            std::printf("%s process terminated.\n", argv[1]);
            result = 1;
        }
        break;
    }
    if (result == 0) std::printf("Failed to terminate %s process!\nSpecified process may not exist.\n", argv[1]);
    return result;
}
