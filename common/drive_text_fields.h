#pragma once
// The widths of the texts a controller reports for itself and for each member drive, in IDENTIFY
// data, in the vendor pages and in the status record: space-padded ASCII without terminator.

#include <cstddef>

namespace lmx {

inline constexpr std::size_t kModelTextLength = 40;
inline constexpr std::size_t kSerialTextLength = 20;
inline constexpr std::size_t kFirmwareTextLength = 8;

}  // namespace lmx
