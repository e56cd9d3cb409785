#pragma once
// The platform's error codes that pipes, windows and processes report beyond those of
// win_error.h, with the values the programs were written against.

#include <cstdint>

namespace platform {

inline constexpr std::uint32_t kErrorBrokenPipe = 109;          // the other end closed the pipe
inline constexpr std::uint32_t kErrorSemTimeout = 121;          // a pipe wait or read timed out
inline constexpr std::uint32_t kErrorInvalidName = 123;         // not a "\\.\pipe\NAME" name
inline constexpr std::uint32_t kErrorFilenameExcedRange = 206;  // the name's path is too long
inline constexpr std::uint32_t kErrorPipeBusy = 231;            // another server has the pipe
inline constexpr std::uint32_t kErrorNoData = 232;              // writing to a pipe being closed
inline constexpr std::uint32_t kErrorPipeNotConnected = 233;
inline constexpr std::uint32_t kErrorDirectory = 267;           // not a usable working folder
inline constexpr std::uint32_t kErrorPipeConnected = 535;       // the server still holds a client
inline constexpr std::uint32_t kErrorOperationAborted = 995;    // a wait ended by stop()
inline constexpr std::uint32_t kErrorInvalidWindowHandle = 1400;
inline constexpr std::uint32_t kErrorTimeout = 1460;            // a send to a window timed out

}  // namespace platform
