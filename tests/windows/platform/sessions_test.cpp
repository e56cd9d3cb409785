// The sessions as a service sees them, and a program started in the active one.

#include "platform/sessions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "platform/win_error.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_root.h"
#include "tests/windows/platform/platform_probe.h"

namespace platform::sessions {
namespace {

std::optional<std::uint32_t> activeSession() {
    const auto sessions = enumerateSessions();
    if (!sessions) return std::nullopt;
    for (const auto& session : *sessions) {
        if (session.state == kWtsActive) return session.sessionId;
    }
    return std::nullopt;
}

TEST(Sessions, ServicesSessionFirstAndAnActiveUserSession) {
    const auto sessions = enumerateSessions();
    ASSERT_TRUE(sessions.has_value()) << lastError();
    ASSERT_FALSE(sessions->empty());
    EXPECT_EQ(kServicesSessionId, sessions->front().sessionId);
    EXPECT_TRUE(std::is_sorted(sessions->begin(), sessions->end(),
                               [](const SessionInfo& a, const SessionInfo& b) { return a.sessionId < b.sessionId; }));
    const auto active = activeSession();
    ASSERT_TRUE(active.has_value());
    EXPECT_NE(kServicesSessionId, *active);
}

TEST(Sessions, ProgramStartsInTheSessionWithTheWordAsItsCommandLine) {
    lmx::testing::TempRoot root;
    const auto session = activeSession();
    ASSERT_TRUE(session.has_value());
    // Named without its extension, as the service names traysignal.
    auto program = lmx::testing::programsFolder() / lmx::probe::kProgram;
    program.replace_extension();
    ASSERT_TRUE(launchInSession(*session, program, "UWM_SVC_NOTIFY")) << lastError();
    std::string word;
    EXPECT_TRUE(lmx::testing::eventually([&] {
        std::ifstream(root.path() / "word.txt") >> word;
        return !word.empty();
    }));
    EXPECT_EQ("UWM_SVC_NOTIFY", word);

    EXPECT_FALSE(launchInSession(0x7FFF, program, "x"));
    EXPECT_EQ(kErrorInvalidParameter, lastError());
    EXPECT_FALSE(launchInSession(*session, root.path() / "missing", "x"));
    EXPECT_EQ(kErrorFileNotFound, lastError());
}

}  // namespace
}  // namespace platform::sessions
