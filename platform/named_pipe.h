#pragma once
// Local named pipes "\\.\pipe\NAME": a duplex byte stream between a server and its clients,
// open to every local user (the null-DACL pipe of CreateNamedPipeA). The server has one
// instance and serves one client at a time; clients that connect meanwhile wait their turn.
// Calls that fail return false (or empty) and leave the platform's error code in lastError():
// 2 no server, 109 the other end closed, 121 time-out, 123 bad name, 231 the name is taken,
// 232 writing to a client that went away, 995 stopped.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

namespace platform::pipes {

// Where a pipe named "\\.\pipe\NAME" lives on this machine; empty (123) for any other name.
std::optional<std::filesystem::path> pipePath(std::string_view pipeName);

// The server end (CreateNamedPipeA / ConnectNamedPipe / DisconnectNamedPipe). Used by one
// serving thread; stop() alone may be called from any thread.
class PipeServer {
public:
    // CreateNamedPipeA: duplex, byte mode, blocking, one instance. Clients can connect as soon
    // as it returns. Fails with 231 while another server (in any process) has the name.
    static std::unique_ptr<PipeServer> create(std::string_view pipeName);
    ~PipeServer();  // closes the pipe; the name is free again
    PipeServer(const PipeServer&) = delete;
    PipeServer& operator=(const PipeServer&) = delete;

    // ConnectNamedPipe: waits for the next client. False with 995 once stop() was called, 535
    // while the previous client is still connected.
    bool connect();
    // ReadFile with a time-out: reads until the buffer is full. A time-out (121), a client that
    // closes early (109) or a stop (995) returns false with the bytes that did arrive.
    bool read(std::span<std::uint8_t> buffer, std::size_t& bytesRead, std::uint32_t timeoutMilliseconds);
    // WriteFile: writes all bytes; false (232, 109) when the client went away.
    bool write(std::span<const std::uint8_t> data, std::size_t& bytesWritten);
    // FlushFileBuffers: waits until the client has read everything written, or has gone.
    bool flush();
    // DisconnectNamedPipe: ends the exchange with the current client.
    bool disconnect();
    // Wakes a connect, read, write or flush that waits, and makes every later call fail with
    // 995. Safe from any thread, e.g. for a clean shutdown of the serving thread.
    void stop();

private:
    struct Impl;
    explicit PipeServer(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// WaitNamedPipeA: true as soon as a server of the pipe exists, false (121) when none appeared
// within the time-out (0xFFFFFFFF waits without limit). Does not connect.
bool waitNamedPipe(std::string_view pipeName, std::uint32_t timeoutMilliseconds);

// The client end (CreateFileA on the pipe, ReadFile, WriteFile, CloseHandle).
class PipeClient {
public:
    // Connects to the pipe's server: fails with 2 when there is none, 231 when its queue of
    // waiting clients is full.
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
    explicit PipeClient(int socket);
    int socket_ = -1;
};

// CallNamedPipeA: waits up to `timeoutMilliseconds` for the server, connects, writes `request`,
// reads until `reply` is full or the server has finished sending, and closes. Empty (with the
// last error) when the pipe could not be reached or the request not written; otherwise the
// number of reply bytes that arrived.
std::optional<std::size_t> callNamedPipe(std::string_view pipeName, std::span<const std::uint8_t> request,
                                         std::span<std::uint8_t> reply, std::uint32_t timeoutMilliseconds);

}  // namespace platform::pipes
