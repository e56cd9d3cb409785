#pragma once
// The mirror-log file the tray application saves: raw bytes, no header, trailer or checksum.
// The controller's status record as the tray held it, then the controller's two mirror-log
// pages (log pages 0xF4 and 0xF5); a page that could not be read is left zero.

#include <cstddef>
#include <cstdint>

#include "common/controller_status_record.h"

namespace lmx {

inline constexpr std::size_t kMirrorLogPageSize = 512;

struct MirrorLogFile {
    ControllerStatusRecord record;
    std::uint8_t page[2][kMirrorLogPageSize];  // 0xF4, then 0xF5
};

inline constexpr std::size_t kMirrorLogFileSize = 1664;

static_assert(sizeof(MirrorLogFile) == kMirrorLogFileSize);
static_assert(alignof(MirrorLogFile) == 1);
static_assert(offsetof(MirrorLogFile, record) == 0);
static_assert(offsetof(MirrorLogFile, page) == 640);
static_assert(offsetof(MirrorLogFile, page) + kMirrorLogPageSize == 1152);

}  // namespace lmx
