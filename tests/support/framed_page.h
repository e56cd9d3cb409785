#pragma once
// A vendor page built by hand for decoder tests and benchmarks: page code, length and the
// 0x55 0xAA trailer at the end of its length, all other bytes zero.

#include <array>
#include <cstdint>

namespace lmx::testing {

using Page = std::array<std::uint8_t, 512>;

inline Page framed(std::uint8_t code, std::uint8_t length) {
    Page page{};
    page[0] = code;
    page[1] = length;
    page[length - 2u] = 0x55;
    page[length - 1u] = 0xAA;
    return page;
}

}  // namespace lmx::testing
