#pragma once
// The mirror-log save's pieces without its windows: the file's default name, its image from a
// status record and the pages the frame received, and the write.

#include <filesystem>
#include <string>

#include "common/mirror_log_file.h"
#include "platform/system_time.h"
#include "tray/core/service_pipe_client.h"

namespace lmx::tray {

// "%02d%02d%d_%02d%02d%02d_mirrorlog": month, day, year, hour, minute, second.
std::string mirrorLogDefaultName(const platform::SystemTime& localTime);

// The record, then each page that was received (its `ok` is 1); a page not received stays zero.
MirrorLogFile mirrorLogImage(const ControllerStatusRecord& record, const LogPages& pages);

enum class MirrorLogWrite { Written, NotCreated, NotWritten };

// Creates the file (an existing one is truncated) and writes the 1664 bytes. NotCreated when
// the file cannot be opened for writing, NotWritten when the bytes did not all reach it.
MirrorLogWrite writeMirrorLog(const std::filesystem::path& path, const MirrorLogFile& image);

}  // namespace lmx::tray
