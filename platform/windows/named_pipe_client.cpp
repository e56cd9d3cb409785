// The pipe's names and its client end: CreateFileW on "\\.\pipe\NAME" (the name carrying the
// system root's tag under a test's root), WaitNamedPipeW while every instance is taken.

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>
#include <utility>

#include "platform/ipc_errors.h"
#include "platform/named_pipe.h"
#include "platform/win_error.h"
#include "platform/windows/root_scope.h"
#include "platform/windows/wide_text.h"

namespace platform::pipes {

namespace {

constexpr std::string_view kPipePrefix = "\\\\.\\pipe\\";
constexpr std::uint32_t kBusyWaitMilliseconds = 1000;
constexpr std::uint32_t kNoLimit = 0xFFFFFFFF;

bool failWith(std::uint32_t error) {
    setLastError(error);
    return false;
}

bool failWithLastError() { return failWith(::GetLastError()); }

HANDLE handleOf(NativeHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// Milliseconds left until `deadline`, for a wait of at most `most`.
DWORD leftUntil(std::chrono::steady_clock::time_point deadline, DWORD most) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    return static_cast<DWORD>(std::clamp<std::int64_t>(left, 0, most));
}

}  // namespace

std::optional<std::filesystem::path> pipePath(std::string_view pipeName) {
    const bool prefixed = pipeName.size() > kPipePrefix.size() &&
                          std::equal(kPipePrefix.begin(), kPipePrefix.end(), pipeName.begin(), [](char a, char b) {
                              return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
                          });
    const auto name = prefixed ? pipeName.substr(kPipePrefix.size()) : std::string_view();
    if (!prefixed || name.find_first_of("/\\") != std::string_view::npos || name == "." || name == "..") {
        setLastError(kErrorInvalidName);
        return std::nullopt;
    }
    return std::filesystem::path(win32::widen(std::string(kPipePrefix) + win32::scopedName(name)));
}

bool waitNamedPipe(std::string_view pipeName, std::uint32_t timeoutMilliseconds) {
    const auto path = pipePath(pipeName);
    if (!path) return false;
    const bool forever = timeoutMilliseconds == kNoLimit;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(forever ? 0 : timeoutMilliseconds);
    for (;;) {
        // WaitNamedPipeW waits for a free instance of a pipe that exists, and fails at once
        // while there is none: look again until the server has made it. 0 would mean the
        // server's default time-out, so the shortest wait is 1 ms.
        const DWORD wait = forever ? NMPWAIT_WAIT_FOREVER : std::max<DWORD>(1, leftUntil(deadline, kNoLimit - 1));
        if (::WaitNamedPipeW(path->c_str(), wait)) return true;
        if (::GetLastError() == ERROR_SEM_TIMEOUT) return failWith(kErrorSemTimeout);
        if (!forever && std::chrono::steady_clock::now() >= deadline) return failWith(kErrorSemTimeout);
        std::this_thread::sleep_for(std::chrono::milliseconds(forever ? 20 : std::min<DWORD>(20, leftUntil(deadline, 20) + 1)));
    }
}

PipeClient::PipeClient(NativeHandle socket) : socket_(socket) {}
PipeClient::~PipeClient() { close(); }
PipeClient::PipeClient(PipeClient&& other) noexcept : socket_(std::exchange(other.socket_, kInvalidNativeHandle)) {}

PipeClient& PipeClient::operator=(PipeClient&& other) noexcept {
    if (this != &other) {
        close();
        socket_ = std::exchange(other.socket_, kInvalidNativeHandle);
    }
    return *this;
}

std::optional<PipeClient> PipeClient::open(std::string_view pipeName) {
    const auto path = pipePath(pipeName);
    if (!path) return std::nullopt;
    // While every instance holds a client, wait a while for one, as a client of a busy pipe does.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyWaitMilliseconds);
    for (;;) {
        // The server may learn who we are, but not act as us.
        const HANDLE pipe = ::CreateFileW(path->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) return PipeClient(reinterpret_cast<NativeHandle>(pipe));
        const DWORD error = ::GetLastError();
        if (error != ERROR_PIPE_BUSY) {
            setLastError(error == ERROR_PATH_NOT_FOUND ? kErrorFileNotFound : error);
            return std::nullopt;
        }
        const DWORD left = leftUntil(deadline, kBusyWaitMilliseconds);
        if (left == 0) {
            setLastError(kErrorPipeBusy);
            return std::nullopt;
        }
        if (!::WaitNamedPipeW(path->c_str(), left) && ::GetLastError() != ERROR_SEM_TIMEOUT) {
            // The server went while we waited.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

bool PipeClient::read(std::span<std::uint8_t> buffer, std::size_t& bytesRead) {
    bytesRead = 0;
    if (socket_ == kInvalidNativeHandle) return failWith(kErrorInvalidHandle);
    while (bytesRead < buffer.size()) {
        DWORD got = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(buffer.size() - bytesRead, 1u << 30));
        if (!::ReadFile(handleOf(socket_), buffer.data() + bytesRead, wanted, &got, nullptr)) {
            const DWORD error = ::GetLastError();
            // The server closed: what it sent before arrived all the same.
            if (error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED) return bytesRead > 0 || failWith(kErrorBrokenPipe);
            return failWith(error);
        }
        if (got == 0) return bytesRead > 0 || failWith(kErrorBrokenPipe);
        bytesRead += got;
    }
    return true;
}

bool PipeClient::write(std::span<const std::uint8_t> data, std::size_t& bytesWritten) {
    bytesWritten = 0;
    if (socket_ == kInvalidNativeHandle) return failWith(kErrorInvalidHandle);
    while (bytesWritten < data.size()) {
        DWORD sent = 0;
        const DWORD size = static_cast<DWORD>(std::min<std::size_t>(data.size() - bytesWritten, 1u << 30));
        if (!::WriteFile(handleOf(socket_), data.data() + bytesWritten, size, &sent, nullptr)) return failWithLastError();
        bytesWritten += sent;
    }
    return true;
}

bool PipeClient::flush() {
    if (socket_ == kInvalidNativeHandle) return failWith(kErrorInvalidHandle);
    return ::FlushFileBuffers(handleOf(socket_)) || failWithLastError();
}

void PipeClient::close() {
    if (socket_ != kInvalidNativeHandle) ::CloseHandle(handleOf(socket_));
    socket_ = kInvalidNativeHandle;
}

}  // namespace platform::pipes
