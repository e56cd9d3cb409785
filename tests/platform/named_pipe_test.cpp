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
#include "tests/support/other_user.h"
#include "tests/support/temp_root.h"

namespace platform::pipes {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

constexpr std::string_view kPipe = "\\\\.\\pipe\\LMXDuowatchSvc";
constexpr std::size_t kRecord = 640;

Bytes pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}

bool writeAll(PipeClient& client, const Bytes& bytes) {
    std::size_t written = 0;
    return client.write(bytes, written) && written == bytes.size();
}

PipeServer::Options requestsOf(std::size_t size, std::uint32_t timeoutMilliseconds = 10'000) {
    PipeServer::Options options;
    options.requestSize = size;
    options.requestTimeoutMilliseconds = timeoutMilliseconds;
    return options;
}

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

TEST_F(NamedPipeTest, WithoutAServerClientsFindNothing) {
    EXPECT_FALSE(PipeClient::open(kPipe).has_value());
    EXPECT_EQ(kErrorFileNotFound, lastError());
    EXPECT_FALSE(waitNamedPipe(kPipe, 50));
    EXPECT_EQ(kErrorSemTimeout, lastError());
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

TEST_F(NamedPipeTest, RequestArrivingInPiecesIsReadWhole) {
    auto server = PipeServer::create(kPipe, requestsOf(kRecord));
    ASSERT_NE(nullptr, server);
    const Bytes request = pattern(kRecord, 3);
    std::thread client([&] {
        auto pipe = PipeClient::open(kPipe);
        ASSERT_TRUE(pipe.has_value());
        for (const auto& [from, to] : {std::pair<std::size_t, std::size_t>{0, 100}, {100, 401}, {401, kRecord}}) {
            std::size_t written = 0;
            EXPECT_TRUE(pipe->write(std::span(request).subspan(from, to - from), written));
            std::this_thread::sleep_for(30ms);
        }
    });
    Bytes received(kRecord);
    EXPECT_TRUE(server->nextRequest(received).has_value());
    client.join();
    EXPECT_EQ(request, received);
}

TEST_F(NamedPipeTest, SilentAndEarlyClosingClientsAreDroppedWithWhatArrived) {
    std::vector<std::size_t> dropped;
    auto options = requestsOf(kRecord, 100);
    options.onDropped = [&](std::size_t bytes) { dropped.push_back(bytes); };
    auto server = PipeServer::create(kPipe, options);
    ASSERT_NE(nullptr, server);
    auto silent = PipeClient::open(kPipe);
    ASSERT_TRUE(silent.has_value());
    {
        auto leaving = PipeClient::open(kPipe);
        ASSERT_TRUE(leaving.has_value());
        ASSERT_TRUE(writeAll(*leaving, pattern(100, 5)));
    }
    std::thread late([&] {
        std::this_thread::sleep_for(300ms);  // past the silent client's time limit
        auto pipe = PipeClient::open(kPipe);
        ASSERT_TRUE(pipe.has_value());
        EXPECT_TRUE(writeAll(*pipe, pattern(kRecord, 9)));
    });
    Bytes received(kRecord);
    auto client = server->nextRequest(received);
    late.join();
    ASSERT_TRUE(client.has_value());
    EXPECT_EQ(pattern(kRecord, 9), received);
    EXPECT_EQ(::geteuid(), client->userId());
    EXPECT_EQ((std::vector<std::size_t>{100, 0}), dropped);
}

TEST_F(NamedPipeTest, WritingToAVanishedClientFailsWithoutEndingTheProcess) {
    auto server = PipeServer::create(kPipe, requestsOf(kRecord));
    ASSERT_NE(nullptr, server);
    {
        auto pipe = PipeClient::open(kPipe);
        ASSERT_TRUE(pipe.has_value());
        ASSERT_TRUE(writeAll(*pipe, pattern(kRecord, 1)));
    }  // goes away before its reply
    Bytes request(kRecord);
    auto client = server->nextRequest(request);
    ASSERT_TRUE(client.has_value());
    const Bytes reply = pattern(kRecord, 1);
    bool failed = false;
    for (int attempt = 0; attempt < 3 && !failed; ++attempt) {
        std::size_t written = 0;
        failed = !client->write(reply, written);
    }
    ASSERT_TRUE(failed);
    EXPECT_TRUE(lastError() == kErrorNoData || lastError() == kErrorBrokenPipe) << lastError();
}

TEST_F(NamedPipeTest, ReplyStaysForTheClientAfterTheServerClosed) {
    auto server = PipeServer::create(kPipe, requestsOf(kRecord));
    ASSERT_NE(nullptr, server);
    auto pipe = PipeClient::open(kPipe);
    ASSERT_TRUE(pipe.has_value());
    ASSERT_TRUE(writeAll(*pipe, pattern(kRecord, 0)));
    {
        Bytes request(kRecord);
        auto client = server->nextRequest(request);
        ASSERT_TRUE(client.has_value());
        std::size_t count = 0;
        EXPECT_TRUE(client->write(pattern(kRecord, 2), count));
        EXPECT_TRUE(client->write(pattern(512, 4), count));
    }  // closed before the client has read anything
    Bytes header(kRecord);
    Bytes page(kRecord);
    std::size_t got = 0;
    EXPECT_TRUE(pipe->read(header, got));
    EXPECT_EQ(kRecord, got);
    EXPECT_EQ(pattern(kRecord, 2), header);
    EXPECT_TRUE(pipe->read(page, got));
    EXPECT_EQ(512u, got);
    EXPECT_EQ(pattern(512, 4), Bytes(page.begin(), page.begin() + 512));
    EXPECT_FALSE(pipe->read(page, got));
    EXPECT_EQ(kErrorBrokenPipe, lastError());
}

// The server thread answers each request with the request marked as answered.
void echoUntilStopped(PipeServer& server, std::atomic<std::uint32_t>& served) {
    Bytes request(kRecord);
    while (auto client = server.nextRequest(request)) {
        request[0] = 0xA5;
        std::size_t count = 0;
        if (client->write(request, count)) ++served;
    }
}

bool exchange(std::uint16_t tag) {
    Bytes request(kRecord, 0);
    request[4] = static_cast<std::uint8_t>(tag);
    request[5] = static_cast<std::uint8_t>(tag >> 8);
    Bytes reply(kRecord);
    const auto got = callNamedPipe(kPipe, request, reply, 5'000);
    return got == kRecord && reply[0] == 0xA5 && reply[4] == request[4] && reply[5] == request[5];
}

TEST_F(NamedPipeTest, BackToBackClientsAreAllServed) {
    constexpr std::uint32_t kClients = 200;
    auto server = PipeServer::create(kPipe, requestsOf(kRecord));
    ASSERT_NE(nullptr, server);
    std::atomic<std::uint32_t> served{0};
    std::thread serving([&] { echoUntilStopped(*server, served); });
    std::uint32_t answered = 0;
    for (std::uint32_t i = 0; i < kClients; ++i) answered += exchange(static_cast<std::uint16_t>(i)) ? 1 : 0;
    server->stop();
    serving.join();
    EXPECT_EQ(kClients, answered);
    EXPECT_EQ(kClients, served.load());
}

TEST_F(NamedPipeTest, SilentAndNonReadingClientsHoldUpNobody) {
    // Each silent client keeps its connection for the whole request time-out; served one after
    // the other they would hold a client behind them for twenty time-outs.
    auto server = PipeServer::create(kPipe, requestsOf(kRecord, 3'000));
    ASSERT_NE(nullptr, server);
    std::atomic<std::uint32_t> served{0};
    std::thread serving([&] { echoUntilStopped(*server, served); });
    std::vector<PipeClient> silent;
    std::vector<PipeClient> notReading;
    for (int i = 0; i < 20; ++i) {
        auto quiet = PipeClient::open(kPipe);
        ASSERT_TRUE(quiet.has_value());
        silent.push_back(std::move(*quiet));
        auto deaf = PipeClient::open(kPipe);
        ASSERT_TRUE(deaf.has_value());
        ASSERT_TRUE(writeAll(*deaf, pattern(kRecord, 7)));
        notReading.push_back(std::move(*deaf));
    }
    // A client that gives up after one time-out is answered long before.
    Bytes request(kRecord, 0);
    request[4] = 0x42;
    auto pipe = PipeClient::open(kPipe);
    ASSERT_TRUE(pipe.has_value());
    ASSERT_TRUE(writeAll(*pipe, request));
    Bytes reply(kRecord);
    std::size_t got = 0;
    std::atomic<bool> answered{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 300 && !answered; ++i) std::this_thread::sleep_for(10ms);
        if (!answered) pipe->close();  // a late answer then fails the read below
    });
    const bool read = pipe->read(reply, got);
    answered = true;
    watchdog.join();
    EXPECT_TRUE(read && got == kRecord && reply[0] == 0xA5 && reply[4] == 0x42);
    server->stop();
    serving.join();
}

TEST_F(NamedPipeTest, OneUsersFloodOfSilentClientsDropsOnlyItsOwnOldest) {
    std::atomic<std::uint32_t> dropped{0};
    auto options = requestsOf(kRecord, 60'000);
    options.maxWaitingPerUser = 4;
    options.onDropped = [&](std::size_t) { ++dropped; };
    auto server = PipeServer::create(kPipe, options);
    ASSERT_NE(nullptr, server);
    std::atomic<std::uint32_t> served{0};
    std::thread serving([&] { echoUntilStopped(*server, served); });
    std::vector<PipeClient> silent;
    for (int i = 0; i < 10; ++i) {
        auto quiet = PipeClient::open(kPipe);
        ASSERT_TRUE(quiet.has_value());
        silent.push_back(std::move(*quiet));
    }
    EXPECT_TRUE(exchange(7));
    server->stop();
    serving.join();
    // Ten connections of one user, four kept at a time: the six oldest made room, and a seventh
    // when the exchange's own connection was taken in before its request had arrived.
    EXPECT_GE(dropped.load(), 6u);
    EXPECT_LE(dropped.load(), 7u);
    // The dropped ones were closed by the server.
    std::size_t got = 0;
    Bytes reply(kRecord);
    EXPECT_FALSE(silent.front().read(reply, got));
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

TEST_F(NamedPipeTest, StopWakesTheServingThreadForGood) {
    auto server = PipeServer::create(kPipe, requestsOf(kRecord));
    ASSERT_NE(nullptr, server);
    std::atomic<bool> returned{false};
    bool served = true;
    std::uint32_t error = 0;
    std::thread serving([&] {
        Bytes request(kRecord);
        served = server->nextRequest(request).has_value();
        error = lastError();
        returned = true;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(returned.load());
    server->stop();
    serving.join();
    EXPECT_FALSE(served);
    EXPECT_EQ(kErrorOperationAborted, error);

    // Later calls fail at once; the pipe takes no more clients.
    Bytes request(kRecord);
    EXPECT_FALSE(server->nextRequest(request).has_value());
    EXPECT_EQ(kErrorOperationAborted, lastError());
    EXPECT_FALSE(PipeClient::open(kPipe).has_value());
}

}  // namespace
}  // namespace platform::pipes
