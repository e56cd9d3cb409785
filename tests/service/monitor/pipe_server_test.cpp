// The service's pipe server over a real pipe in a temporary root.

#include <gtest/gtest.h>

#include <cstdlib>

#include <thread>
#include <vector>

#include "platform/named_pipe.h"
#include "service/monitor/monitoring_threads.h"
#include "service/monitor/settings_store.h"
#include "service/monitor/status_table.h"
#include "simulator/drive_store.h"
#include "simulator/simulated_drive.h"
#include "service/monitor/pipe_access.h"
#if !defined(_WIN32)
#include <grp.h>

#include "tests/support/other_user.h"
#endif
#include "tests/support/eventually.h"
#include "tests/support/temp_root.h"
#include "tests/support/idle_service_workers.h"

namespace dwsvc {
namespace {

using platform::pipes::PipeClient;
using platform::pipes::PipeServer;

class PipeServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        server = PipeServer::create(lmx::kServicePipeName, dwsvc::servicePipeOptions());
        ASSERT_TRUE(server);
        serving = std::thread([this] { servePipe(runtime, *server, actions); });
    }

    void TearDown() override {
        if (server) server->stop();
        if (serving.joinable()) serving.join();
    }

    // One exchange as the tray application makes it: connect, write the request, read `replySize` bytes.
    std::vector<std::uint8_t> exchange(const lmx::PipeRequest& request, std::size_t replySize) {
        std::vector<std::uint8_t> reply(replySize);
        const auto received = platform::pipes::callNamedPipe(
            lmx::kServicePipeName, {reinterpret_cast<const std::uint8_t*>(&request), sizeof request}, reply,
            lmx::kPipeWaitMilliseconds);
        EXPECT_TRUE(received.has_value());
        reply.resize(received.value_or(0));
        return reply;
    }

    lmx::testing::TempRoot root;
    lmx::testing::IdleServiceWorkers workers;
    ServiceRuntime runtime{workers};
    DriveActions actions;
    std::unique_ptr<PipeServer> server;
    std::thread serving;
};

TEST_F(PipeServerTest, StatusTableBeforeTheFirstPollIsWhatTheRegistryHeld) {
    lmx::ControllerStatusRecord published;
    lmx::clearRecord(published);
    published.physicalNumber = 4;
    published.present = 1;
    published.raidStatus = 2;
    lmx::setField(published.raidModel, "ZDA-GX460");
    publishRecord(published);
    for (int n = 0; n < 6; ++n) {
        lmx::ControllerStatusRecord record;
        lmx::clearRecord(record);
        loadRecord(n, record);
        runtime.table.setRecord(n, record);
    }
    const auto reply = exchange(lmx::makePipeRequest(lmx::kRequestStatusTable), 6 * 640);
    ASSERT_EQ(3840u, reply.size());
    const auto fourth = lmx::recordFromBytes(std::span<const std::uint8_t, 640>(reply.data() + 4 * 640, 640));
    EXPECT_EQ(1, fourth.present);
    EXPECT_EQ(2, fourth.raidStatus);
    EXPECT_EQ("ZDA-GX460", lmx::fieldText(fourth.raidModel));
}

TEST_F(PipeServerTest, ReadyLogPageIntervalAndIgnoredRequests) {
    auto ready = exchange(lmx::makePipeRequest(lmx::kRequestIsReady), 640);
    ASSERT_EQ(640u, ready.size());
    EXPECT_EQ(0, ready[2]);

    // No controller on drive 1: a 640-byte header with flag 0 and nothing more.
    const auto log = exchange(lmx::makePipeRequest(lmx::kRequestLogPageF4, 1), 640 + 512);
    ASSERT_EQ(640u, log.size());
    EXPECT_EQ(0, log[2]);

    exchange(lmx::makePipeRequest(lmx::kRequestSetInterval, 0, 4), 0);
    // The next exchange is served only after the previous one was handled.
    exchange(lmx::makePipeRequest(14), 0);
    ready = exchange(lmx::makePipeRequest(lmx::kRequestIsReady), 640);
    EXPECT_EQ(30'000u, runtime.intervalMilliseconds);
    EXPECT_EQ(4u, readSetting(kIntervalSetting, 0));
}

TEST_F(PipeServerTest, BrokenClientsDoNotStallTheServer) {
    // Sends 100 bytes and goes: the partial request is not acted on.
    auto partial = PipeClient::open(lmx::kServicePipeName);
    ASSERT_TRUE(partial.has_value());
    const std::vector<std::uint8_t> hundred(100, lmx::kRequestSetTemperature);
    std::size_t written = 0;
    ASSERT_TRUE(partial->write(hundred, written));
    partial->close();
    // Connects and says nothing, and stays: dropped after the pipe's time-out.
    auto silent = PipeClient::open(lmx::kServicePipeName);
    ASSERT_TRUE(silent.has_value());

    runtime.ready = true;
    const auto ready = exchange(lmx::makePipeRequest(lmx::kRequestIsReady), 640);
    ASSERT_EQ(640u, ready.size());
    EXPECT_EQ(1, ready[2]);
    EXPECT_EQ(lmx::kDefaultTemperatureSetting, runtime.temperatureSetting);
}

TEST_F(PipeServerTest, PatrolThreadsStartRequestReachesTheController) {
    simulator::registerSimulatedDrives();  // the service opens the drive through the platform
    const auto drive = simulator::driveFilePath(root.path(), 3);
    simulator::createController(drive, "Lumavex ZDAP-RS481");
    ASSERT_TRUE(requestPatrolStart(3));
    // The request asks for no answer, so nothing tells when it was served: requests of other
    // connections may be served before it (Windows' completion port takes them in any order).
    exchange(lmx::makePipeRequest(lmx::kRequestIsReady), 640);
    EXPECT_TRUE(lmx::testing::eventually(
        [&] { return simulator::readDrive(drive).raid.patrol == simulator::PatrolState::Running; }));
    const auto commands = simulator::readCommandLog(drive);
    ASSERT_EQ(1u, commands.size());  // one request, one control
    EXPECT_EQ("smart", commands[0].route);
}

#if !defined(_WIN32)
// Another user's process is started by changing this one's user and groups, which Linux allows
// root; on Windows a client's user comes from its token (the platform's own tests cover it).

// The group whose members may change settings: made for the test when the machine has none,
// and removed again.
class AdministratorsGroup {
public:
    AdministratorsGroup() {
        const std::string name(kAdministratorsGroup);
        if (::getgrnam(name.c_str()) == nullptr) made_ = std::system(("groupadd --system " + name).c_str()) == 0;
        if (const auto* entry = ::getgrnam(name.c_str())) id = entry->gr_gid;
    }
    ~AdministratorsGroup() {
        if (made_ && std::system(("groupdel " + std::string(kAdministratorsGroup)).c_str()) != 0) {
            ADD_FAILURE() << "the test's group was not removed";
        }
    }
    gid_t id = 0;

private:
    bool made_ = false;
};

// In the other user's process: one exchange; 0 when `replySize` bytes came back (a request
// without a reply waits for the server to close), 1 when not, 2 when the pipe was not reached.
int exchangeAsOtherUser(const lmx::PipeRequest& request, std::size_t replySize, std::uint8_t flag = 1) {
    std::vector<std::uint8_t> reply(std::max<std::size_t>(replySize, 1));
    const auto received = platform::pipes::callNamedPipe(
        lmx::kServicePipeName, {reinterpret_cast<const std::uint8_t*>(&request), sizeof request}, reply, 5'000);
    if (!received) return 2;
    if (*received != replySize) return 1;
    return replySize != 640 || reply[2] == flag ? 0 : 1;
}

TEST_F(PipeServerTest, OnlyRootTheAdministratorsGroupAndTheLocalSessionChangeSettingsButAllRead) {
    if (!lmx::testing::canActAsOtherUser()) GTEST_SKIP() << "taking another user's identity needs root";
    lmx::testing::openToOtherUsers(root.path());
    AdministratorsGroup administrators;
    ASSERT_NE(0u, administrators.id);
    runtime.ready = true;
    const auto before = runtime.intervalMilliseconds.load();

    // A user outside the group reads the table, the ready flag and the log pages ...
    EXPECT_EQ(0, lmx::testing::runAsOtherUser([] { return exchangeAsOtherUser(lmx::makePipeRequest(lmx::kRequestStatusTable), 3840); }));
    EXPECT_EQ(0, lmx::testing::runAsOtherUser([] { return exchangeAsOtherUser(lmx::makePipeRequest(lmx::kRequestIsReady), 640); }));
    EXPECT_EQ(0, lmx::testing::runAsOtherUser(
                     [] { return exchangeAsOtherUser(lmx::makePipeRequest(lmx::kRequestLogPageF5, 2), 640, 0); }));
    // ... but its settings and refreshes are closed unanswered and change nothing.
    EXPECT_EQ(0, lmx::testing::runAsOtherUser([] { return exchangeAsOtherUser(lmx::makePipeRequest(lmx::kRequestSetInterval, 0, 4), 0); }));
    EXPECT_EQ(0, lmx::testing::runAsOtherUser([] { return exchangeAsOtherUser(lmx::makePipeRequest(lmx::kRequestSetTemperature, 0, 7), 0); }));
    EXPECT_EQ(0, lmx::testing::runAsOtherUser([] { return exchangeAsOtherUser(lmx::makePipeRequest(lmx::kRequestRefresh), 0); }));
    EXPECT_EQ(before, runtime.intervalMilliseconds.load());
    EXPECT_NE(7u, runtime.temperatureSetting.load());
    EXPECT_FALSE(runtime.notifyRequested.load());
    EXPECT_NE(4u, readSetting(kIntervalSetting, 0));

    // The same user in the group may.
    EXPECT_EQ(0, lmx::testing::runAsOtherUser(
                     [] { return exchangeAsOtherUser(lmx::makePipeRequest(lmx::kRequestSetInterval, 0, 4), 0); },
                     {administrators.id}));
    EXPECT_EQ(30'000u, runtime.intervalMilliseconds.load());
    EXPECT_EQ(4u, readSetting(kIntervalSetting, 0));
}

#endif

TEST_F(PipeServerTest, TwoHundredClientsBackToBack) {
    runtime.ready = true;
    int answered = 0;
    for (int i = 0; i < 200; ++i) {
        const auto reply = exchange(lmx::makePipeRequest(lmx::kRequestIsReady), 640);
        answered += reply.size() == 640 && reply[2] == 1;
    }
    EXPECT_EQ(200, answered);
}

}  // namespace
}  // namespace dwsvc
