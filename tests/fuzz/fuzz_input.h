#pragma once
// What every fuzz target shares: a reader that takes typed pieces from the input bytes (zeros once
// they run out, so every input is a valid one), and the property check that ends the run with a
// report the fuzzer keeps as a finding.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

namespace lmx::fuzz {

[[noreturn]] inline void propertyFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "fuzz property failed: %s (%s:%d)\n", condition, file, line);
    std::abort();
}

#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::lmx::fuzz::propertyFailed(#condition, __FILE__, __LINE__))

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t remaining() const { return size_ - at_; }

    std::uint8_t byte() {
        return at_ < size_ ? data_[at_++] : std::uint8_t{0};
    }
    std::uint32_t u32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value |= std::uint32_t{byte()} << (8 * i);
        return value;
    }
    // `count` bytes, the missing ones zero.
    void fill(std::span<std::uint8_t> out) {
        const std::size_t n = std::min(out.size(), remaining());
        std::copy_n(data_ + at_, n, out.begin());
        std::fill(out.begin() + static_cast<std::ptrdiff_t>(n), out.end(), std::uint8_t{0});
        at_ += n;
    }
    // Up to `count` bytes, as many as are left.
    std::vector<std::uint8_t> bytes(std::size_t count) {
        const std::size_t n = std::min(count, remaining());
        std::vector<std::uint8_t> out(data_ + at_, data_ + at_ + n);
        at_ += n;
        return out;
    }
    std::vector<std::uint8_t> rest() { return bytes(remaining()); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace lmx::fuzz
