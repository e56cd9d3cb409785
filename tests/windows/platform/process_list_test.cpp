// The process list and the ending of a process, on a child started for the purpose.

#include "platform/process_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "common/ascii_text.h"
#include "platform/win_error.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_root.h"
#include "tests/windows/platform/probe_process.h"

namespace platform::processes {
namespace {

// The probe children of this process, as the list shows them now.
std::vector<ProcessEntry> probeChildren() {
    std::vector<ProcessEntry> children;
    const auto processes = snapshotProcesses();
    if (!processes) return children;
    for (const auto& process : *processes) {
        if (process.parentProcessId == static_cast<std::uint32_t>(::_getpid()) &&
            lmx::equalIgnoringAsciiCase(process.exeFile, lmx::probe::kProgram))
            children.push_back(process);
    }
    return children;
}

TEST(ProcessList, AChildIsListedDescribedAndTerminated) {
    lmx::testing::TempRoot root;
    const auto child = lmx::probe::startProbe("sleep");
    ASSERT_NE(-1, child);
    ASSERT_TRUE(lmx::testing::eventually([] { return probeChildren().size() == 1; }));
    const ProcessEntry listed = probeChildren().front();
    EXPECT_EQ(currentUserId(), listed.userId);
    EXPECT_NE(0u, listed.startTime);

    const auto snapshot = snapshotProcesses();
    ASSERT_TRUE(snapshot.has_value());
    EXPECT_TRUE(std::is_sorted(snapshot->begin(), snapshot->end(),
                               [](const ProcessEntry& a, const ProcessEntry& b) { return a.processId < b.processId; }));
    const auto module = firstModulePath(listed.processId);
    ASSERT_TRUE(module.has_value()) << lastError();
    EXPECT_TRUE(lmx::equalIgnoringAsciiCase(module->filename().string(), lmx::probe::kProgram));

    auto handle = ProcessHandle::open(kProcessAllAccess, listed.processId);
    ASSERT_TRUE(handle.has_value()) << lastError();
    const auto described = handle->describe();
    ASSERT_TRUE(described.has_value()) << lastError();
    EXPECT_EQ(listed.startTime, described->startTime);
    EXPECT_EQ(listed.userId, described->userId);
    EXPECT_EQ(listed.parentProcessId, described->parentProcessId);
    EXPECT_TRUE(lmx::equalIgnoringAsciiCase(described->exeFile, lmx::probe::kProgram));
    EXPECT_EQ(kErrorSuccess, handle->checkProgramFile());

    ASSERT_TRUE(handle->terminate(9));
    lmx::probe::waitForProbe(child);
    EXPECT_TRUE(probeChildren().empty());
    // The handle still names the ended process, never another that got its id.
    EXPECT_FALSE(handle->describe().has_value());
    EXPECT_EQ(kErrorInvalidParameter, lastError());
    EXPECT_FALSE(handle->terminate(9));
    EXPECT_EQ(kErrorAccessDenied, lastError());
    EXPECT_FALSE(ProcessHandle::open(kProcessTerminate, listed.processId).has_value());
    EXPECT_EQ(kErrorInvalidParameter, lastError());
}

TEST(ProcessList, ProcessesOfAnotherSystemRootAreNotListed) {
    lmx::testing::TempRoot childsRoot;
    const auto child = lmx::probe::startProbe("sleep");
    ASSERT_NE(-1, child);
    ASSERT_TRUE(lmx::testing::eventually([] { return probeChildren().size() == 1; }));
    const auto processId = probeChildren().front().processId;
    {
        lmx::testing::TempRoot ownRoot;
        EXPECT_TRUE(probeChildren().empty());
    }
    // The same root spelled otherwise is the same root.
    std::string otherSpelling = childsRoot.path().string();
    std::transform(otherSpelling.begin(), otherSpelling.end(), otherSpelling.begin(),
                   [](char c) { return c == '\\' ? '/' : static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
    ::_putenv_s("LMXDUOWATCH_ROOT", otherSpelling.c_str());
    EXPECT_EQ(1u, probeChildren().size());
    ::_putenv_s("LMXDUOWATCH_ROOT", childsRoot.path().string().c_str());

    auto handle = ProcessHandle::open(kProcessTerminate, processId);
    ASSERT_TRUE(handle.has_value());
    EXPECT_TRUE(handle->terminate(9));
    lmx::probe::waitForProbe(child);
}

TEST(ProcessList, TheSuitesProgramsAreFoundByTheirNamesWithoutTheFileSuffix) {
    ProcessEntry entry;
    entry.exeFile = "DWSVC.exe";
    EXPECT_TRUE(runsProgram(entry, "dwsvc"));
    EXPECT_TRUE(runsProgram(entry, "dwsvc.exe"));
    EXPECT_FALSE(runsProgram(entry, "dwsv"));
    entry.exeFile = "dwsvc.exe.exe";
    EXPECT_FALSE(runsProgram(entry, "dwsvc"));
}

}  // namespace
}  // namespace platform::processes
