#pragma once
// Cutting UTF-8 text to a byte limit without splitting a character.

#include <cstddef>
#include <string_view>

namespace lmx {

// The longest prefix of `text` of at most `maxBytes` bytes that ends on a character boundary.
constexpr std::string_view utf8Prefix(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t cut = maxBytes;
    // Back up over continuation bytes (10xxxxxx) to the start of the character that would be split.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return text.substr(0, cut);
}

}  // namespace lmx
