// The pipe server's contract on every platform: requests read whole within their time limit,
// hostile clients (silent, leaving early, never reading) holding up nobody, bounded queues,
// replies that outlive the server's end, and a stop that wakes the serving thread for good.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/ipc_errors.h"
#include "platform/named_pipe.h"
#include "platform/win_error.h"
#include "tests/platform/pipe_exchange.h"
#include "tests/support/temp_root.h"

namespace platform::pipes {
namespace {

using namespace std::chrono_literals;
using namespace pipe_testing;

class PipeServingTest : public ::testing::Test {
protected:
    lmx::testing::TempRoot root;
};

TEST_F(PipeServingTest, WithoutAServerClientsFindNothing) {
    EXPECT_FALSE(PipeClient::open(kPipe).has_value());
    EXPECT_EQ(kErrorFileNotFound, lastError());
    EXPECT_FALSE(waitNamedPipe(kPipe, 50));
    EXPECT_EQ(kErrorSemTimeout, lastError());
}

TEST_F(PipeServingTest, RequestArrivingInPiecesIsReadWhole) {
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

TEST_F(PipeServingTest, SilentAndEarlyClosingClientsAreDroppedWithWhatArrived) {
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
    EXPECT_NE(PipeClientIdentity::kUnknown, client->userId());
    EXPECT_EQ(client->identity().userId, client->userId());
    EXPECT_EQ((std::vector<std::size_t>{100, 0}), dropped);
}

TEST_F(PipeServingTest, WritingToAVanishedClientFailsWithoutEndingTheProcess) {
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

TEST_F(PipeServingTest, ReplyStaysForTheClientAfterTheServerClosed) {
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

TEST_F(PipeServingTest, BackToBackClientsAreAllServed) {
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

TEST_F(PipeServingTest, SilentAndNonReadingClientsHoldUpNobody) {
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

TEST_F(PipeServingTest, OneUsersFloodOfSilentClientsDropsOnlyItsOwnOldest) {
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

TEST_F(PipeServingTest, StopWakesTheServingThreadForGood) {
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
