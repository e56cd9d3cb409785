#pragma once
// Parts of a test run as another, unprivileged local user ("nobody"), acting as a hostile user
// of the machine would: opening what it can, holding locks, planting links. Only a test that
// runs as root can take another user's identity; the others skip such tests.

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace lmx::testing {

inline constexpr uid_t kOtherUserId = 65534;
inline constexpr gid_t kOtherGroupId = 65534;

bool canActAsOtherUser();

// Lets other users reach the folder and its parents (a test root is made private by default).
void openToOtherUsers(const std::filesystem::path& folder);

// A process of the other user that runs `body` and stays until this object ends (it is then
// killed). `body` reports what it found through `report`, which the test reads with
// waitForReport(); it may then hold on to what it opened by returning true (the process waits
// to be killed) or end by returning false.
class OtherUserProcess {
public:
    using Report = std::function<void(const std::string& line)>;
    explicit OtherUserProcess(std::function<bool(const Report& report)> body);
    ~OtherUserProcess();
    OtherUserProcess(const OtherUserProcess&) = delete;
    OtherUserProcess& operator=(const OtherUserProcess&) = delete;

    // The next line the body reported; empty when it ended without one.
    std::string waitForReport();

private:
    pid_t pid_ = -1;
    int reports_ = -1;
};

// Runs `body` as the other user, with the supplementary groups given and no others, and returns
// its exit code (-1 when it did not end normally).
int runAsOtherUser(const std::function<int()>& body, const std::vector<gid_t>& supplementaryGroups = {});

}  // namespace lmx::testing
