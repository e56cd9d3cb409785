#include "simulator/hex_bytes.h"

#include <charconv>

#include <cctype>

namespace simulator {

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string toHex(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t byte : bytes) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

std::string toSpacedHex(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t byte : bytes) {
        if (!text.empty()) text.push_back(' ');
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

std::optional<Bytes> fromHex(std::string_view text) {
    Bytes bytes;
    int pending = -1;
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (pending >= 0) return std::nullopt;  // a blank inside a pair
            continue;
        }
        const int value = digitValue(c);
        if (value < 0) return std::nullopt;
        if (pending < 0) {
            pending = value;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(pending << 4 | value));
            pending = -1;
        }
    }
    if (pending >= 0) return std::nullopt;
    return bytes;
}

std::optional<std::uint64_t> parseUnsigned(std::string_view text) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    }
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace simulator
