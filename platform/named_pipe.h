#pragma once
// Local named pipes "\\.\pipe\NAME": a duplex byte stream between a server and its clients,
// open to every local user: every user may connect, read and write (on Windows nobody but the
// server's own account and administrators may put up another instance of the name). One
// request per connection: a client connects, writes its request, reads the reply and closes.
// Calls that fail return false (or empty) and leave the platform's error code in lastError():
// 2 no server, 109 the other end closed, 121 time-out, 123 bad name, 231 the name is taken,
// 232 writing to a client that went away, 995 stopped.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "platform/client_identity.h"
#include "platform/native_handle.h"

namespace platform::pipes {

// Where a pipe named "\\.\pipe\NAME" lives on this machine; empty (123) for any other name.
std::optional<std::filesystem::path> pipePath(std::string_view pipeName);

// The server end (CreateNamedPipe, ConnectNamedPipe, ReadFile, WriteFile).
// Many clients may be connected at once. The pipe's own thread takes every connection in as it
// arrives and reads each client's request as its bytes come, with a time limit of its own
// counted from its connection; so a client that stays silent, sends slowly or never reads its
// reply holds up nobody else. Whole requests wait in one queue per user (the user id of the
// connecting process), and the serving thread takes them from the users in turn, one each, so
// that one user's many requests delay another user's by at most one. Every queue is bounded:
// past its limit the oldest of the same user goes (and past the limit of all, the oldest of
// the user with the most waiting), closed unanswered.
class PipeServer {
public:
    struct Options {
        std::size_t requestSize = 0;                      // the bytes of one whole request
        std::uint32_t requestTimeoutMilliseconds = 3000;  // from connection to the request's last byte
        std::size_t maxWaitingClients = 128;              // connected, request not yet whole
        std::size_t maxWaitingPerUser = 32;
        std::size_t maxCompleteRequests = 128;            // whole, waiting for the serving thread
        std::size_t maxQueuedPerUser = 8;
        // Told, on the pipe's own thread, of every client dropped unserved (it closed early,
        // timed out, or gave way to newer clients of its user), with the bytes that had arrived.
        std::function<void(std::size_t bytesArrived)> onDropped;
    };

    // A client whose request has arrived whole. What is written to it stays in the pipe for the
    // client to read, also after the server has closed its end, so writing never waits for the
    // client to read (unless it has left the pipe full, see write()).
    class Client {
    public:
        Client(Client&&) noexcept;
        Client& operator=(Client&&) noexcept;
        // Closes the server's end; a reply written stays readable for the client (no
        // DisconnectNamedPipe, which would throw it away).
        ~Client();

        // WriteFile: all bytes. False with 232 when the client went away, with 121 when it
        // leaves the pipe full for longer than a second, with 995 when the server stops.
        bool write(std::span<const std::uint8_t> data, std::size_t& bytesWritten);
        // The user id of the client's process.
        std::uint32_t userId() const;
        // Who the client's process was when it connected: user, group and groups.
        PipeClientIdentity identity() const;

    private:
        friend class PipeServer;
        Client(NativeHandle socket, NativeHandle wake);
        NativeHandle socket_ = kInvalidNativeHandle;
        NativeHandle wake_ = kInvalidNativeHandle;
    };

    // CreateNamedPipeA: duplex, byte mode, one server. Clients can connect as soon as it
    // returns. Fails with 231 while another server (in any process) has the name.
    static std::unique_ptr<PipeServer> create(std::string_view pipeName, Options options);
    ~PipeServer();  // closes the pipe; the name is free again
    PipeServer(const PipeServer&) = delete;
    PipeServer& operator=(const PipeServer&) = delete;

    // Waits until some client's request has arrived whole, copies it into `request`
    // (options.requestSize bytes) and returns that client, taking the users in turn. Empty with 995 once stop() was
    // called. Used by one serving thread.
    std::optional<Client> nextRequest(std::span<std::uint8_t> request);
    // Wakes nextRequest and a write that waits, and makes every later call fail with 995.
    // Safe from any thread.
    void stop();

private:
    struct Impl;
    explicit PipeServer(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// WaitNamedPipeA: true as soon as the pipe exists, false (121) when it did not appear within
// the time-out (0xFFFFFFFF waits without limit). Does not connect: a pipe left behind by a
// server that ended abnormally exists until the next server replaces it, and opening it
// then fails with 2.
bool waitNamedPipe(std::string_view pipeName, std::uint32_t timeoutMilliseconds);

// The client end (CreateFileA on the pipe, ReadFile, WriteFile, CloseHandle).
class PipeClient {
public:
    // Connects to the pipe's server: fails with 2 when there is none, 231 when its queue of
    // waiting clients stays full for a second.
    static std::optional<PipeClient> open(std::string_view pipeName);
    ~PipeClient();  // CloseHandle
    PipeClient(PipeClient&&) noexcept;
    PipeClient& operator=(PipeClient&&) noexcept;

    // ReadFile: blocks until the buffer is full or the server has finished sending. True with
    // whatever arrived (a reply shorter than the buffer is a success); false (109) when the
    // server closed without sending anything more.
    bool read(std::span<std::uint8_t> buffer, std::size_t& bytesRead);
    // WriteFile: writes all bytes; false (232, 109) when the server went away.
    bool write(std::span<const std::uint8_t> data, std::size_t& bytesWritten);
    // FlushFileBuffers: waits until the server has read everything written, or has gone.
    bool flush();
    void close();

private:
    explicit PipeClient(NativeHandle socket);
    NativeHandle socket_ = kInvalidNativeHandle;
};

// CallNamedPipeA: waits up to `timeoutMilliseconds` for the server, connects, writes `request`,
// reads until `reply` is full or the server has finished sending, and closes. Empty (with the
// last error) when the pipe could not be reached or the request not written; otherwise the
// number of reply bytes that arrived.
std::optional<std::size_t> callNamedPipe(std::string_view pipeName, std::span<const std::uint8_t> request,
                                         std::span<std::uint8_t> reply, std::uint32_t timeoutMilliseconds);

}  // namespace platform::pipes
