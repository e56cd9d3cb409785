#include "platform/sessions.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "platform/linux/login_sessions.h"
#include "platform/win_error.h"
#include "tests/support/temp_root.h"

namespace platform::sessions {
namespace {

using namespace std::chrono_literals;

TEST(Sessions, ServicesSessionFirstThenUserSessions) {
    const auto sessions = enumerateSessions();
    ASSERT_TRUE(sessions.has_value());
    ASSERT_FALSE(sessions->empty());
    EXPECT_EQ(kServicesSessionId, sessions->front().sessionId);
    EXPECT_EQ("Services", sessions->front().winStationName);
    EXPECT_EQ(kWtsDisconnected, sessions->front().state);
    std::set<std::uint32_t> ids;
    for (const auto& session : *sessions) EXPECT_TRUE(ids.insert(session.sessionId).second) << session.sessionId;
    if (!logind::running()) {
        // Without a log-on manager the caller's own session is the one user session.
        ASSERT_EQ(2u, sessions->size());
        EXPECT_EQ(kWtsActive, (*sessions)[1].state);
        EXPECT_EQ("Console", (*sessions)[1].winStationName);
    }
}

TEST(LogindSessions, NumbersStatesAndNames) {
    EXPECT_EQ(2u, logind::sessionNumber("2"));
    EXPECT_EQ(417u, logind::sessionNumber("417"));
    const auto named = logind::sessionNumber("c1");
    EXPECT_NE(0u, named & 0x80000000u);
    EXPECT_EQ(named, logind::sessionNumber("c1"));
    EXPECT_NE(named, logind::sessionNumber("c2"));
    EXPECT_NE(kServicesSessionId, logind::sessionNumber("0"));

    // Logged on but not in front is what the platform calls disconnected: not the one to signal.
    EXPECT_EQ(kWtsActive, logind::connectState("active"));
    EXPECT_EQ(kWtsDisconnected, logind::connectState("online"));

    logind::LoginSession session;
    session.id = "3";
    session.seat = "seat0";
    EXPECT_EQ("Console", logind::winStationName(session));
    session.remote = true;
    EXPECT_EQ("Remote-3", logind::winStationName(session));
}

void makeSocket(const std::filesystem::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(0, ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address));
    ::close(fd);
}

TEST(LogindSessions, EnvironmentComesFromTheSessionAndTheRuntimeFolder) {
    lmx::testing::TempRoot scratch;
    const auto runtime = scratch.path() / "run";
    std::filesystem::create_directories(runtime);
    makeSocket(runtime / "wayland-1");
    makeSocket(runtime / "bus");
    std::ofstream(runtime / "wayland-0.lock").put('x');

    logind::LoginSession session;
    session.id = "5";
    session.type = "wayland";
    session.display = ":1";
    const logind::UserFacts user{"alice", "/home/alice", "/bin/bash"};
    const std::map<std::string, std::string> caller = {{"LMXDUOWATCH_ROOT", "/srv/root"}, {"HOME", "/root"}};
    const auto environment = logind::sessionEnvironment(session, user, runtime, [&](const char* name) -> const char* {
        const auto found = caller.find(name);
        return found == caller.end() ? nullptr : found->second.c_str();
    });
    const std::set<std::string> variables(environment.begin(), environment.end());
    for (const std::string& expected : std::vector<std::string>{"HOME=/home/alice", "USER=alice", "LOGNAME=alice", "SHELL=/bin/bash", "XDG_SESSION_ID=5", "XDG_SESSION_TYPE=wayland",
          "DISPLAY=:1", "XDG_RUNTIME_DIR=" + runtime.string(), "WAYLAND_DISPLAY=wayland-1",
          "DBUS_SESSION_BUS_ADDRESS=unix:path=" + (runtime / "bus").string(), "LMXDUOWATCH_ROOT=/srv/root"}) {
        EXPECT_TRUE(variables.contains(expected)) << expected;
    }
    EXPECT_FALSE(variables.contains("HOME=/root"));
    EXPECT_EQ(1, std::count_if(environment.begin(), environment.end(), [](const std::string& v) { return v.starts_with("HOME="); }));

    // No runtime folder: nothing is made up.
    const auto bare = logind::sessionEnvironment(session, user, scratch.path() / "missing", [](const char*) { return nullptr; });
    for (const auto& variable : bare) {
        EXPECT_FALSE(variable.starts_with("XDG_RUNTIME_DIR=") || variable.starts_with("WAYLAND_DISPLAY=") ||
                     variable.starts_with("LMXDUOWATCH_ROOT="))
            << variable;
    }
}

class LaunchInSessionTest : public ::testing::Test {
protected:
    lmx::testing::TempRoot root;
    std::filesystem::path probe = lmx::testing::programsFolder() / "session_probe";

    std::uint32_t activeSession() {
        const auto sessions = enumerateSessions();
        if (sessions) {
            for (const auto& session : *sessions) {
                if (session.state == kWtsActive) return session.sessionId;
            }
        }
        return kServicesSessionId;
    }

    // The probe's record, once it has written it.
    std::map<std::string, std::string> probeRecord() {
        const auto file = root.path() / "probe.txt";
        for (int i = 0; i < 400 && !std::filesystem::exists(file); ++i) std::this_thread::sleep_for(25ms);
        std::map<std::string, std::string> record;
        std::ifstream in(file);
        std::string line;
        while (std::getline(in, line)) {
            const auto equals = line.find('=');
            if (equals != std::string::npos) record[line.substr(0, equals)] = line.substr(equals + 1);
        }
        return record;
    }
};

TEST_F(LaunchInSessionTest, ProgramGetsTheWordAloneAndAFreshStart) {
    // What a service's thread has: blocked stop signals, an ignored SIGPIPE, an inheritable descriptor.
    sigset_t blocked;
    sigset_t previous;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    ASSERT_EQ(0, pthread_sigmask(SIG_BLOCK, &blocked, &previous));
    const auto previousPipe = ::signal(SIGPIPE, SIG_IGN);
    const int inheritable = ::open("/dev/null", O_RDONLY);

    const bool launched = launchInSession(activeSession(), probe, "SVC_NOTIFY");

    ::close(inheritable);
    ::signal(SIGPIPE, previousPipe);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ASSERT_TRUE(launched) << lastError();

    // Nothing is left to reap: the program is not this process's child.
    EXPECT_EQ(-1, ::waitpid(-1, nullptr, WNOHANG));
    EXPECT_EQ(ECHILD, errno);

    auto record = probeRecord();
    ASSERT_FALSE(record.empty());
    EXPECT_EQ("1", record["argc"]);
    EXPECT_EQ("SVC_NOTIFY", record["argv0"]);
    EXPECT_EQ(root.path().string(), record["root"]);
    EXPECT_EQ("0000000000000000", record["blocked"]);
    EXPECT_EQ("0000000000000000", record["ignored"]);
    EXPECT_EQ("0", record["inherited"]);
    EXPECT_EQ("/dev/null", record["stdin"]);
    EXPECT_EQ("0", record["sameSession"]);
}

TEST_F(LaunchInSessionTest, MissingProgramOrUnknownSessionFails) {
    EXPECT_FALSE(launchInSession(activeSession(), root.path() / "no-such-program", "SVC_STOP"));
    EXPECT_EQ(kErrorFileNotFound, lastError());
    EXPECT_FALSE(launchInSession(0x7FFFFFF0, probe, "SVC_STOP"));
    EXPECT_EQ(kErrorInvalidParameter, lastError());
    EXPECT_EQ(-1, ::waitpid(-1, nullptr, WNOHANG));
}

}  // namespace
}  // namespace platform::sessions
