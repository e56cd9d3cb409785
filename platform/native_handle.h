#pragma once
// What the system names an open object by, as a number: on Linux a file descriptor, on Windows
// a HANDLE. Programs only pass it on, to a wait or to a GUI toolkit's socket notifier (Qt's
// QSocketNotifier takes the same type); they never act on it themselves.

#include <cstdint>

namespace platform {

using NativeHandle = std::intptr_t;
inline constexpr NativeHandle kInvalidNativeHandle = -1;

}  // namespace platform
