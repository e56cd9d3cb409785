#include "platform/named_pipe.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/ipc_errors.h"
#include "platform/win_error.h"
#include "tests/platform/pipe_exchange.h"
#include "tests/support/other_user.h"
#include "tests/support/temp_root.h"

namespace platform::pipes {
namespace {

using namespace std::chrono_literals;
using namespace pipe_testing;

class NamedPipeTest : public ::testing::Test {
protected:
    lmx::testing::TempRoot root;
    std::filesystem::path socketPath() const { return root.path() / "pipes" / "LMXDuowatchSvc"; }
};

TEST_F(NamedPipeTest, OnlyPipeNamesAreAccepted) {
    EXPECT_EQ(socketPath(), pipePath("\\\\.\\PIPE\\LMXDuowatchSvc"));
    for (const char* name : {"LMXDuowatchSvc", "\\\\.\\pipe\\", "\\\\.\\pipe\\a/b", "\\\\.\\pipe\\..", "\\\\.\\pipe\\a\\b"}) {
        EXPECT_FALSE(pipePath(name).has_value()) << name;
        EXPECT_EQ(kErrorInvalidName, lastError()) << name;
    }
    EXPECT_EQ(nullptr, PipeServer::create("LMXDuowatchSvc", requestsOf(kRecord)));
    EXPECT_EQ(kErrorInvalidName, lastError());
}

TEST_F(NamedPipeTest, PipeIsOpenToEveryUserAndHasOneServer) {
    auto server = PipeServer::create(kPipe, requestsOf(kRecord));
    ASSERT_NE(nullptr, server);
    struct stat facts{};
    ASSERT_EQ(0, ::stat(socketPath().c_str(), &facts));
    EXPECT_TRUE(S_ISSOCK(facts.st_mode));
    EXPECT_EQ(0666u, facts.st_mode & 0777);
    ASSERT_EQ(0, ::stat(socketPath().parent_path().c_str(), &facts));
    EXPECT_EQ(0755u, facts.st_mode & 0777);
    // The instance lock is the server's alone: nobody else can open it to hold a lock on it.
    ASSERT_EQ(0, ::stat((socketPath().parent_path() / ".LMXDuowatchSvc.lock").c_str(), &facts));
    EXPECT_EQ(0600u, facts.st_mode & 0777);

    EXPECT_EQ(nullptr, PipeServer::create(kPipe, requestsOf(kRecord)));
    EXPECT_EQ(kErrorPipeBusy, lastError());
    server.reset();
    EXPECT_FALSE(std::filesystem::exists(socketPath()));
    EXPECT_NE(nullptr, PipeServer::create(kPipe, requestsOf(kRecord)));
}

TEST_F(NamedPipeTest, SocketLeftByACrashedServerIsReplaced) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto server = PipeServer::create(kPipe, requestsOf(kRecord));
        ::_exit(server ? 0 : 1);  // no destructor: the socket file stays behind
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(std::filesystem::exists(socketPath()));

    // The pipe's name is there, but nobody answers on it.
    EXPECT_FALSE(PipeClient::open(kPipe).has_value());
    EXPECT_EQ(kErrorFileNotFound, lastError());
    EXPECT_FALSE(callNamedPipe(kPipe, pattern(kRecord, 1), {}, 0).has_value());

    auto server = PipeServer::create(kPipe, requestsOf(kRecord));
    ASSERT_NE(nullptr, server);
    EXPECT_TRUE(waitNamedPipe(kPipe, 0));
    EXPECT_TRUE(PipeClient::open(kPipe).has_value());
}

TEST_F(NamedPipeTest, ServedClientIsTheConnectingProcessAndItsUser) {
    auto server = PipeServer::create(kPipe, requestsOf(kRecord));
    ASSERT_NE(nullptr, server);
    auto pipe = PipeClient::open(kPipe);
    ASSERT_TRUE(pipe.has_value());
    ASSERT_TRUE(writeAll(*pipe, pattern(kRecord, 9)));
    Bytes received(kRecord);
    auto client = server->nextRequest(received);
    ASSERT_TRUE(client.has_value());
    EXPECT_EQ(::geteuid(), client->userId());
    EXPECT_EQ(static_cast<std::uint32_t>(::getpid()), client->identity().processId);
}

TEST_F(NamedPipeTest, OneUsersFloodOfCostlyRequestsFailsNoneOfAnotherUsersRequests) {
    if (!lmx::testing::canActAsOtherUser()) GTEST_SKIP() << "taking another user's identity needs root";
    lmx::testing::openToOtherUsers(root.path());
    auto server = PipeServer::create(kPipe, requestsOf(kRecord));
    ASSERT_NE(nullptr, server);
    // The other user's requests cost the server 3 ms each, as a settings write does.
    std::thread serving([&] {
        Bytes request(kRecord);
        while (auto client = server->nextRequest(request)) {
            if (client->userId() != 0) std::this_thread::sleep_for(3ms);
            request[0] = 0xA5;
            std::size_t count = 0;
            client->write(request, count);
        }
    });
    // Four processes of the other user connect, send and close as fast as they can.
    std::vector<std::unique_ptr<lmx::testing::OtherUserProcess>> flood;
    for (int i = 0; i < 4; ++i) {
        flood.push_back(std::make_unique<lmx::testing::OtherUserProcess>([](const auto& report) {
            report("flooding");
            const Bytes request(kRecord, 0x0A);
            for (;;) {
                if (auto pipe = PipeClient::open(kPipe)) writeAll(*pipe, request);
            }
            return false;
        }));
        ASSERT_EQ("flooding", flood.back()->waitForReport());
    }
    std::this_thread::sleep_for(200ms);  // the flood fills the server's queues first
    int failures = 0;
    std::vector<double> milliseconds;
    for (std::uint16_t i = 0; i < 100; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!exchange(i)) ++failures;
        milliseconds.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    flood.clear();
    server->stop();
    serving.join();
    std::sort(milliseconds.begin(), milliseconds.end());
    std::printf("exchanges beside the flood: median %.1f ms, slowest %.1f ms\n", milliseconds[50], milliseconds.back());
    EXPECT_EQ(0, failures);
}

TEST_F(NamedPipeTest, PipeOfARootWithALongPathWorks) {
    // Local socket addresses hold at most 107 bytes; the root's path alone is longer.
    const auto deep = root.path() / std::string(120, 'r');
    std::filesystem::create_directories(deep);
    ::setenv("LMXDUOWATCH_ROOT", deep.c_str(), 1);
    auto server = PipeServer::create(kPipe, requestsOf(kRecord));
    ASSERT_NE(nullptr, server) << lastError();
    std::atomic<std::uint32_t> served{0};
    std::thread serving([&] { echoUntilStopped(*server, served); });
    EXPECT_TRUE(exchange(3));
    server->stop();
    serving.join();
    ::setenv("LMXDUOWATCH_ROOT", root.path().c_str(), 1);
}

}  // namespace
}  // namespace platform::pipes
