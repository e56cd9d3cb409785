#pragma once
// Bytes written as hexadecimal text in simulated-drive files and the command log.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace simulator {

using Bytes = std::vector<std::uint8_t>;

// Upper-case hex digits, no separators ("E580...").
std::string toHex(std::span<const std::uint8_t> bytes);

// Upper-case hex bytes separated by single spaces ("B0 D0 01"), as the command log shows them.
std::string toSpacedHex(std::span<const std::uint8_t> bytes);

// Reads hex digit pairs; blanks between pairs are ignored. Empty on any other character or an
// odd number of digits.
std::optional<Bytes> fromHex(std::string_view text);

// A whole unsigned number, decimal or with a "0x" prefix hexadecimal; empty for anything else.
std::optional<std::uint64_t> parseUnsigned(std::string_view text);

}  // namespace simulator
