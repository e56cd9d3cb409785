// The pipe and the named mutexes between two processes under Windows' own objects: the test's
// server answers another process, one server holds the name machine-wide, a server that was
// killed leaves the name free, the client's identity comes from its token, a reply to a client
// that never reads gives up in time, and a named mutex is one per name.

#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/client_identity.h"
#include "platform/ipc_errors.h"
#include "platform/named_mutex.h"
#include "platform/win_error.h"
#include "platform/windows/kernel_handle.h"
#include "tests/platform/pipe_exchange.h"
#include "tests/support/temp_root.h"

namespace platform::pipes {
namespace {

using namespace pipe_testing;
using win32::KernelHandle;

// pipe_peer, started with `arguments`; its standard input a pipe that the test holds.
struct Peer {
    KernelHandle process;
    KernelHandle input;   // closing it tells a serving peer to end
    KernelHandle output;  // what it prints
    DWORD processId = 0;

    explicit Peer(const std::string& arguments) {
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        HANDLE inputRead = nullptr, inputWrite = nullptr, outputRead = nullptr, outputWrite = nullptr;
        EXPECT_TRUE(::CreatePipe(&inputRead, &inputWrite, &inherited, 0));
        EXPECT_TRUE(::CreatePipe(&outputRead, &outputWrite, &inherited, 0));
        ::SetHandleInformation(inputWrite, HANDLE_FLAG_INHERIT, 0);
        ::SetHandleInformation(outputRead, HANDLE_FLAG_INHERIT, 0);
        input.reset(inputWrite);
        output.reset(outputRead);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = inputRead;
        startup.hStdOutput = outputWrite;
        startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
        const auto program = lmx::testing::programsFolder() / "pipe_peer.exe";
        std::wstring commandLine = L"\"" + program.wstring() + L"\" " + std::wstring(arguments.begin(), arguments.end());
        PROCESS_INFORMATION started{};
        EXPECT_TRUE(::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started))
            << ::GetLastError();
        ::CloseHandle(inputRead);
        ::CloseHandle(outputWrite);
        ::CloseHandle(started.hThread);
        process.reset(started.hProcess);
        processId = started.dwProcessId;
    }

    std::string firstLine() {
        std::string line;
        char c = 0;
        DWORD got = 0;
        while (::ReadFile(output.get(), &c, 1, &got, nullptr) && got == 1 && c != '\n') line += c;
        return line;
    }

    // Its exit code, once it has ended within `milliseconds`; 259 while it runs.
    DWORD exitCode(DWORD milliseconds = 20'000) {
        ::WaitForSingleObject(process.get(), milliseconds);
        DWORD code = STILL_ACTIVE;
        ::GetExitCodeProcess(process.get(), &code);
        return code;
    }
};

class PipeBetweenProcessesTest : public ::testing::Test {
protected:
    lmx::testing::TempRoot root;
};

TEST_F(PipeBetweenProcessesTest, ServerAnswersClientsOfAnotherProcessAndKnowsWhoTheyAre) {
    auto server = PipeServer::create(kPipe, requestsOf(kRecord));
    ASSERT_NE(nullptr, server);
    // Written by the serving thread, read once it has ended.
    std::vector<DWORD> clientProcesses;
    bool consistent = true;
    bool administrates = true;
    std::thread serving([&] {
        Bytes request(kRecord);
        while (auto client = server->nextRequest(request)) {
            const auto identity = client->identity();
            clientProcesses.push_back(identity.processId);
            consistent = consistent && identity.userId != PipeClientIdentity::kUnknown && identity.userId == client->userId();
            administrates = administrates && mayAdministrate(identity, "lmxduowatch");
            request[0] = 0xA5;
            std::size_t count = 0;
            client->write(request, count);
        }
    });
    Peer peers[] = {Peer("call 11"), Peer("call 12"), Peer("call 13")};
    for (auto& peer : peers) EXPECT_EQ(0u, peer.exitCode());
    server->stop();
    serving.join();
    std::sort(clientProcesses.begin(), clientProcesses.end());
    std::vector<DWORD> expected{peers[0].processId, peers[1].processId, peers[2].processId};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, clientProcesses);
    EXPECT_TRUE(consistent);
    // Wine's processes are all one administrator in the console's session.
    EXPECT_TRUE(administrates);
}

// The rights the pipe's DACL gives to Everyone; empty when it has no entry for Everyone.
std::optional<ACCESS_MASK> everyonesRights(HANDLE pipe) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(pipe, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                          &descriptor) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof everyone;
    ::CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size);
    std::optional<ACCESS_MASK> rights;
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!::GetAce(dacl, i, &entry) || static_cast<ACE_HEADER*>(entry)->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        if (::EqualSid(&allowed->SidStart, everyone)) rights = rights.value_or(0) | allowed->Mask;
    }
    ::LocalFree(descriptor);
    return rights;
}

TEST_F(PipeBetweenProcessesTest, EverybodyMayConnectButNobodyElseMayServe) {
    auto server = PipeServer::create(kPipe, requestsOf(kRecord));
    ASSERT_NE(nullptr, server);
    const auto path = pipePath(kPipe);
    ASSERT_TRUE(path.has_value());
    const KernelHandle client(::CreateFileW(path->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(client.valid()) << ::GetLastError();
    const auto rights = everyonesRights(client.get());
    ASSERT_TRUE(rights.has_value());
    EXPECT_EQ(static_cast<ACCESS_MASK>(FILE_READ_DATA | FILE_WRITE_DATA), *rights & (FILE_READ_DATA | FILE_WRITE_DATA));
    // Making an instance of one's own would let a user answer in the server's place.
    EXPECT_EQ(0u, *rights & FILE_CREATE_PIPE_INSTANCE);
    EXPECT_EQ(0u, *rights & (WRITE_DAC | WRITE_OWNER));
}

TEST_F(PipeBetweenProcessesTest, SilentAndNonReadingClientsOfAnotherProcessHoldUpNobody) {
    auto server = PipeServer::create(kPipe, requestsOf(kRecord, 3'000));
    ASSERT_NE(nullptr, server);
    std::atomic<std::uint32_t> served{0};
    std::thread serving([&] { echoUntilStopped(*server, served); });
    Peer hostile("hostile");
    EXPECT_EQ("holding 40", hostile.firstLine().substr(0, 10));
    // Answered long before the silent clients' time limit of 3 s runs out.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(0u, Peer("call 21").exitCode());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2'500));
    hostile.input.reset();
    EXPECT_EQ(0u, hostile.exitCode());
    server->stop();
    serving.join();
}

TEST_F(PipeBetweenProcessesTest, OneServerHoldsTheNameUntilItsProcessEnds) {
    Peer holder("serve");
    ASSERT_EQ("serving", holder.firstLine().substr(0, 7));
    EXPECT_EQ(nullptr, PipeServer::create(kPipe, requestsOf(kRecord)));
    EXPECT_EQ(kErrorPipeBusy, lastError());
    // A server killed in the middle leaves nothing behind that holds the name.
    ASSERT_TRUE(::TerminateProcess(holder.process.get(), 9));
    EXPECT_EQ(9u, holder.exitCode());
    auto server = PipeServer::create(kPipe, requestsOf(kRecord));
    ASSERT_NE(nullptr, server) << lastError();
    EXPECT_TRUE(waitNamedPipe(kPipe, 0));
    // And another process finds this one's name taken.
    Peer late("serve");
    EXPECT_EQ(3u, late.exitCode());
}

TEST_F(PipeBetweenProcessesTest, ReplyToAClientThatNeverReadsGivesUpInTime) {
    auto server = PipeServer::create(kPipe, requestsOf(kRecord));
    ASSERT_NE(nullptr, server);
    auto deaf = PipeClient::open(kPipe);
    ASSERT_TRUE(deaf.has_value());
    ASSERT_TRUE(writeAll(*deaf, pattern(kRecord, 1)));
    Bytes request(kRecord);
    auto client = server->nextRequest(request);
    ASSERT_TRUE(client.has_value());
    const Bytes huge(4 << 20, 0x5A);  // far more than the pipe holds
    std::size_t written = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client->write(huge, written));
    EXPECT_EQ(kErrorSemTimeout, lastError());
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(900));
    EXPECT_LT(took, std::chrono::milliseconds(5000));
    EXPECT_LT(written, huge.size());

    // A write that waits is woken by the stop.
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        server->stop();
    });
    EXPECT_FALSE(client->write(huge, written));
    EXPECT_EQ(kErrorOperationAborted, lastError());
    stopper.join();
}

TEST_F(PipeBetweenProcessesTest, NamelessCallersAdministrateNothing) {
    EXPECT_FALSE(mayAdministrate(PipeClientIdentity{}, "lmxduowatch"));
    PipeClientIdentity stranger;
    stranger.userId = 0x80001234;
    stranger.groupId = 0x80005678;
    stranger.sessionId = 0xFFFFFFF0;
    EXPECT_FALSE(mayAdministrate(stranger, "lmxduowatch"));
    stranger.supplementaryGroups = {544};  // BUILTIN\Administrators
    EXPECT_TRUE(mayAdministrate(stranger, "lmxduowatch"));
    PipeClientIdentity system;
    system.userId = 18;  // LocalSystem
    EXPECT_TRUE(mayAdministrate(system, "lmxduowatch"));
}

TEST_F(PipeBetweenProcessesTest, NamedMutexIsOnePerNameAcrossProcesses) {
    bool alreadyExists = true;
    auto mine = NamedMutex::create("LMXDuo_fwupTool", alreadyExists);
    ASSERT_NE(nullptr, mine);
    EXPECT_FALSE(alreadyExists);
    EXPECT_EQ(nullptr, NamedMutex::create("LMXDuo_fwupTool", alreadyExists));
    EXPECT_TRUE(alreadyExists);
    EXPECT_EQ(kErrorAlreadyExists, lastError());
    EXPECT_EQ(0u, Peer("mutex LMXDuo_fwupTool").exitCode());
    EXPECT_EQ(1u, Peer("mutex LMXDuo_other").exitCode());
    mine.reset();
    EXPECT_EQ(1u, Peer("mutex LMXDuo_fwupTool").exitCode());
}

}  // namespace
}  // namespace platform::pipes
