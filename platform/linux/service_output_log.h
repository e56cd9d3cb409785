#pragma once
// Where a service started without systemd writes what it prints: <program>.log in the system's
// log folder (platform/log_folder.h: /var/log/lmxduowatch, or <root>/logs in a root of one's own),
// appended to, with its standard output and error pointed at it by whoever starts it. The
// service keeps it bounded: past a size limit the file becomes <program>.log.1 (replacing an
// older one) and a new file is begun. Under systemd the output goes to the journal instead.

#include <cstdint>
#include <filesystem>

#include "platform/linux/socket_io.h"

namespace platform::service_log {

inline constexpr std::uint64_t kLogSizeLimit = 4 * 1024 * 1024;

// The log of the program at `program`.
std::filesystem::path logPathFor(const std::filesystem::path& program);

// Opens the log for appending (creating it and its folder); a link at the path is refused.
socket_io::Descriptor openLog(const std::filesystem::path& log);

// In the service: when its standard output is its log and the log has grown past `limit`,
// moves it aside as <log>.1 and points standard output and error at a new one.
void keepBounded(std::uint64_t limit = kLogSizeLimit);

}  // namespace platform::service_log
