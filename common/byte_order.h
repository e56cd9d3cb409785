#pragma once
// Byte-order access to unaligned fields of wire buffers. Records on the pipe and in the
// registry are little-endian; numbers inside controller pages are big-endian.

#include <cstddef>
#include <cstdint>

namespace lmx {

template <typename T>
constexpr T loadLittleEndian(const std::uint8_t* bytes) {
    T value = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) value = static_cast<T>((value << 8) | bytes[i]);
    return value;
}

template <typename T>
constexpr void storeLittleEndian(std::uint8_t* bytes, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        bytes[i] = static_cast<std::uint8_t>(value & 0xFF);
        value = static_cast<T>(value >> 8);
    }
}

template <typename T>
constexpr T loadBigEndian(const std::uint8_t* bytes) {
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) value = static_cast<T>((value << 8) | bytes[i]);
    return value;
}

template <typename T>
constexpr void storeBigEndian(std::uint8_t* bytes, T value) {
    for (std::size_t i = sizeof(T); i-- > 0;) {
        bytes[i] = static_cast<std::uint8_t>(value & 0xFF);
        value = static_cast<T>(value >> 8);
    }
}

}  // namespace lmx
