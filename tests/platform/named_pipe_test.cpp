#include "platform/named_pipe.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/ipc_errors.h"
#include "platform/win_error.h"
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
    EXPECT_EQ(nullptr, PipeServer::create("LMXDuowatchSvc"));
    EXPECT_EQ(kErrorInvalidName, lastError());
}

TEST_F(NamedPipeTest, PipeIsOpenToEveryUserAndHasOneServer) {
    auto server = PipeServer::create(kPipe);
    ASSERT_NE(nullptr, server);
    struct stat facts{};
    ASSERT_EQ(0, ::stat(socketPath().c_str(), &facts));
    EXPECT_TRUE(S_ISSOCK(facts.st_mode));
    EXPECT_EQ(0666u, facts.st_mode & 0777);
    ASSERT_EQ(0, ::stat(socketPath().parent_path().c_str(), &facts));
    EXPECT_EQ(0755u, facts.st_mode & 0777);

    EXPECT_EQ(nullptr, PipeServer::create(kPipe));
    EXPECT_EQ(kErrorPipeBusy, lastError());
    server.reset();
    EXPECT_FALSE(std::filesystem::exists(socketPath()));
    EXPECT_NE(nullptr, PipeServer::create(kPipe));
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
        auto server = PipeServer::create(kPipe);
        ::_exit(server ? 0 : 1);  // no destructor: the socket file stays behind
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(std::filesystem::exists(socketPath()));

    EXPECT_FALSE(waitNamedPipe(kPipe, 0));
    EXPECT_FALSE(PipeClient::open(kPipe).has_value());
    EXPECT_EQ(kErrorFileNotFound, lastError());

    auto server = PipeServer::create(kPipe);
    ASSERT_NE(nullptr, server);
    EXPECT_TRUE(waitNamedPipe(kPipe, 0));
    EXPECT_TRUE(PipeClient::open(kPipe).has_value());
}

TEST_F(NamedPipeTest, RequestArrivingInPiecesIsReadWhole) {
    auto server = PipeServer::create(kPipe);
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
    ASSERT_TRUE(server->connect());
    Bytes received(kRecord);
    std::size_t got = 0;
    EXPECT_TRUE(server->read(received, got, 10'000));
    client.join();
    EXPECT_EQ(kRecord, got);
    EXPECT_EQ(request, received);
}

TEST_F(NamedPipeTest, SilentClientTimesOutAndCanStillSend) {
    auto server = PipeServer::create(kPipe);
    ASSERT_NE(nullptr, server);
    auto client = PipeClient::open(kPipe);
    ASSERT_TRUE(client.has_value());
    ASSERT_TRUE(server->connect());
    Bytes received(kRecord);
    std::size_t got = 99;
    EXPECT_FALSE(server->read(received, got, 100));
    EXPECT_EQ(kErrorSemTimeout, lastError());
    EXPECT_EQ(0u, got);

    ASSERT_TRUE(writeAll(*client, pattern(kRecord, 9)));
    EXPECT_TRUE(server->read(received, got, 10'000));
    EXPECT_EQ(pattern(kRecord, 9), received);
}

TEST_F(NamedPipeTest, ClientClosingEarlyLeavesWhatItSent) {
    auto server = PipeServer::create(kPipe);
    ASSERT_NE(nullptr, server);
    {
        auto client = PipeClient::open(kPipe);
        ASSERT_TRUE(client.has_value());
        ASSERT_TRUE(writeAll(*client, pattern(100, 5)));
    }
    ASSERT_TRUE(server->connect());
    Bytes received(kRecord, 0);
    std::size_t got = 0;
    EXPECT_FALSE(server->read(received, got, 10'000));
    EXPECT_EQ(kErrorBrokenPipe, lastError());
    ASSERT_EQ(100u, got);
    EXPECT_EQ(pattern(100, 5), Bytes(received.begin(), received.begin() + 100));
}

TEST_F(NamedPipeTest, WritingToAVanishedClientFailsWithoutEndingTheProcess) {
    auto server = PipeServer::create(kPipe);
    ASSERT_NE(nullptr, server);
    PipeClient::open(kPipe).reset();  // connects and goes away at once
    ASSERT_TRUE(server->connect());
    const Bytes reply = pattern(kRecord, 1);
    bool failed = false;
    for (int attempt = 0; attempt < 3 && !failed; ++attempt) {
        std::size_t written = 0;
        failed = !server->write(reply, written);
    }
    ASSERT_TRUE(failed);
    EXPECT_TRUE(lastError() == kErrorNoData || lastError() == kErrorBrokenPipe) << lastError();
    EXPECT_TRUE(server->disconnect());
}

TEST_F(NamedPipeTest, ClientReadsAReplyShorterThanItsBufferThenTheEnd) {
    auto server = PipeServer::create(kPipe);
    ASSERT_NE(nullptr, server);
    std::thread serving([&] {
        ASSERT_TRUE(server->connect());
        Bytes request(kRecord);
        std::size_t count = 0;
        EXPECT_TRUE(server->read(request, count, 10'000));
        EXPECT_TRUE(server->write(pattern(kRecord, 2), count));
        EXPECT_TRUE(server->write(pattern(512, 4), count));
        EXPECT_TRUE(server->flush());
        EXPECT_TRUE(server->disconnect());
    });
    auto client = PipeClient::open(kPipe);
    ASSERT_TRUE(client.has_value());
    ASSERT_TRUE(writeAll(*client, pattern(kRecord, 0)));
    EXPECT_TRUE(client->flush());
    Bytes header(kRecord);
    Bytes page(kRecord);
    std::size_t got = 0;
    EXPECT_TRUE(client->read(header, got));
    EXPECT_EQ(kRecord, got);
    EXPECT_EQ(pattern(kRecord, 2), header);
    EXPECT_TRUE(client->read(page, got));
    EXPECT_EQ(512u, got);
    EXPECT_EQ(pattern(512, 4), Bytes(page.begin(), page.begin() + 512));
    EXPECT_FALSE(client->read(page, got));
    EXPECT_EQ(kErrorBrokenPipe, lastError());
    serving.join();
}

TEST_F(NamedPipeTest, FlushReturnsOnlyOnceTheClientHasRead) {
    auto server = PipeServer::create(kPipe);
    ASSERT_NE(nullptr, server);
    auto client = PipeClient::open(kPipe);
    ASSERT_TRUE(client.has_value());
    ASSERT_TRUE(server->connect());
    std::size_t count = 0;
    ASSERT_TRUE(server->write(pattern(kRecord, 6), count));
    std::atomic<bool> flushed{false};
    std::thread flushing([&] {
        EXPECT_TRUE(server->flush());
        flushed = true;
    });
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(flushed.load());
    Bytes reply(kRecord);
    EXPECT_TRUE(client->read(reply, count));
    flushing.join();
    EXPECT_TRUE(flushed.load());
}

TEST_F(NamedPipeTest, BackToBackClientsAreAllServed) {
    constexpr std::uint32_t kClients = 200;
    auto server = PipeServer::create(kPipe);
    ASSERT_NE(nullptr, server);
    std::atomic<std::uint32_t> served{0};
    std::thread serving([&] {
        for (std::uint32_t i = 0; i < kClients; ++i) {
            if (!server->connect()) return;
            Bytes request(kRecord);
            std::size_t count = 0;
            if (server->read(request, count, 10'000)) {
                request[0] = 0xA5;  // the reply: the request marked as answered
                server->write(request, count);
                server->flush();
                ++served;
            }
            server->disconnect();
        }
    });
    std::uint32_t answered = 0;
    for (std::uint32_t i = 0; i < kClients; ++i) {
        ASSERT_TRUE(waitNamedPipe(kPipe, 5'000));
        auto client = PipeClient::open(kPipe);
        ASSERT_TRUE(client.has_value()) << i;
        Bytes request(kRecord, 0);
        request[4] = static_cast<std::uint8_t>(i);
        request[5] = static_cast<std::uint8_t>(i >> 8);
        ASSERT_TRUE(writeAll(*client, request));
        Bytes reply(kRecord);
        std::size_t got = 0;
        if (client->read(reply, got) && got == kRecord && reply[0] == 0xA5 && reply[4] == request[4] && reply[5] == request[5]) {
            ++answered;
        }
    }
    serving.join();
    EXPECT_EQ(kClients, answered);
    EXPECT_EQ(kClients, served.load());
}

TEST_F(NamedPipeTest, StopWakesTheServingThreadForGood) {
    auto server = PipeServer::create(kPipe);
    ASSERT_NE(nullptr, server);
    std::atomic<bool> returned{false};
    bool connected = true;
    std::uint32_t error = 0;
    std::thread serving([&] {
        connected = server->connect();
        error = lastError();
        returned = true;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(returned.load());
    server->stop();
    serving.join();
    EXPECT_FALSE(connected);
    EXPECT_EQ(kErrorOperationAborted, error);

    // Later calls fail at once, even with a client waiting.
    auto client = PipeClient::open(kPipe);
    ASSERT_TRUE(client.has_value());
    EXPECT_FALSE(server->connect());
    EXPECT_EQ(kErrorOperationAborted, lastError());
}

TEST_F(NamedPipeTest, StopWakesAReadWithoutTimeLimit) {
    auto server = PipeServer::create(kPipe);
    ASSERT_NE(nullptr, server);
    auto client = PipeClient::open(kPipe);
    ASSERT_TRUE(client.has_value());
    ASSERT_TRUE(server->connect());
    std::thread stopper([&] {
        std::this_thread::sleep_for(50ms);
        server->stop();
    });
    Bytes request(kRecord);
    std::size_t got = 0;
    EXPECT_FALSE(server->read(request, got, 0xFFFFFFFF));
    EXPECT_EQ(kErrorOperationAborted, lastError());
    stopper.join();
}

}  // namespace
}  // namespace platform::pipes
