#include "service/monitor/status_table.h"

#include <algorithm>

namespace dwsvc {

lmx::ControllerStatusRecord StatusTable::record(int n) const {
    std::lock_guard lock(lock_);
    return records_.at(static_cast<std::size_t>(n));
}

std::array<lmx::ControllerStatusRecord, lmx::kPhysicalDriveCount> StatusTable::records() const {
    std::lock_guard lock(lock_);
    return records_;
}

void StatusTable::setRecord(int n, const lmx::ControllerStatusRecord& record) {
    std::lock_guard lock(lock_);
    records_.at(static_cast<std::size_t>(n)) = record;
}

int StatusTable::retryCounter(int n) const {
    std::lock_guard lock(lock_);
    return retryCounters_.at(static_cast<std::size_t>(n));
}

void StatusTable::setRetryCounter(int n, int value) {
    std::lock_guard lock(lock_);
    retryCounters_.at(static_cast<std::size_t>(n)) = value;
}

bool StatusTable::anyRetrying() const {
    std::lock_guard lock(lock_);
    return std::any_of(retryCounters_.begin(), retryCounters_.end(), [](int c) { return c != kFullRetryCount; });
}

bool StatusTable::overTemperature(int n) const {
    std::lock_guard lock(lock_);
    return overTemperature_.at(static_cast<std::size_t>(n));
}

void StatusTable::setOverTemperature(int n, bool value) {
    std::lock_guard lock(lock_);
    overTemperature_.at(static_cast<std::size_t>(n)) = value;
}

bool StatusTable::clockSet(int n) const {
    std::lock_guard lock(lock_);
    return clockSet_.at(static_cast<std::size_t>(n));
}

void StatusTable::setClockSet(int n, bool value) {
    std::lock_guard lock(lock_);
    clockSet_.at(static_cast<std::size_t>(n)) = value;
}

}  // namespace dwsvc
