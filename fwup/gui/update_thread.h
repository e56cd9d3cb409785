#pragma once
// The update thread: at most one at a time, running the download while the dialog thread stays
// responsive. It never touches a window itself; what it shows is carried out on the dialog
// thread.

#include <functional>
#include <thread>

namespace fwup::gui {

class UpdateThread {
public:
    UpdateThread() = default;
    ~UpdateThread() { join(); }
    UpdateThread(const UpdateThread&) = delete;
    UpdateThread& operator=(const UpdateThread&) = delete;

    // Starts `body` on a new thread; false when the thread cannot be created.
    bool start(std::function<void()> body);
    // True from start until join.
    bool started() const { return thread_.joinable(); }
    // Waits for the body to end.
    void join();

private:
    std::thread thread_;
};

}  // namespace fwup::gui
