#pragma once
// Waiting in tests for what other threads or processes bring about: the condition is asked
// again every `step` until it holds or `limit` has passed.

#include <chrono>
#include <thread>

namespace lmx::testing {

template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(20),
                std::chrono::milliseconds step = std::chrono::milliseconds(50)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(step);
    }
    return true;
}

}  // namespace lmx::testing
