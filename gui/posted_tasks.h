#pragma once
// The tasks other threads hand to a window's thread: added under a lock from any thread, run in
// order on the window's thread when the window's own message for them arrives. The message
// itself carries nothing.

#include <deque>
#include <functional>
#include <mutex>
#include <utility>

namespace lmx::gui {

class PostedTasks {
public:
    void add(std::function<void()> task) {
        std::lock_guard lock(lock_);
        tasks_.push_back(std::move(task));
    }

    // Runs the tasks added so far; tasks they add wait for the next call.
    void runAll() {
        std::deque<std::function<void()>> tasks;
        {
            std::lock_guard lock(lock_);
            tasks.swap(tasks_);
        }
        for (auto& task : tasks) task();
    }

private:
    std::mutex lock_;
    std::deque<std::function<void()>> tasks_;
};

}  // namespace lmx::gui
