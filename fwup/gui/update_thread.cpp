#include "fwup/gui/update_thread.h"

#include <system_error>

namespace fwup::gui {

bool UpdateThread::start(std::function<void()> body) {
    join();
    try {
        thread_ = std::thread(std::move(body));
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void UpdateThread::join() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace fwup::gui
