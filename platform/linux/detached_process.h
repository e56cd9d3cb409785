#pragma once
// Starts a program that lives on its own: in a new session, with standard input and output on
// /dev/null (or output where the caller says), every signal at its default and unblocked (a service blocks its control signals
// in all its threads), and none of the caller's descriptors. The caller does not wait for it:
// the program runs as a grandchild that the system adopts, and the child in between is
// reaped before this returns, so no finished child is left behind.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct DetachedLaunch {
    std::filesystem::path program;
    std::vector<std::string> arguments;                   // argv, argv[0] included
    std::optional<std::vector<std::string>> environment;  // "NAME=value"; empty: the caller's
    std::optional<std::filesystem::path> workingFolder;   // empty: the caller's
    struct Identity {
        uid_t uid = 0;
        gid_t gid = 0;
        std::vector<gid_t> groups;
    };
    std::optional<Identity> runAs;  // empty: the caller's
    // Standard output and error go to this open descriptor (the caller keeps its own and
    // closes it); -1: to /dev/null.
    int output = -1;
};

// True once the program runs (its exec succeeded), with its process id in `processId` when
// given; false with the platform's error code of what failed (2 missing, 5 not permitted).
bool startDetached(const DetachedLaunch& launch, pid_t* processId = nullptr);

}  // namespace platform
