#pragma once
// The service's table of six controller status records with each drive's retry counter and
// flags. The polling thread writes it; the pipe server and the patrol thread read it; every
// access goes through the table's lock.

#include <array>
#include <cstdint>
#include <mutex>

#include "common/controller_status_record.h"

namespace dwsvc {

inline constexpr int kFullRetryCount = 10;

class StatusTable {
public:
    lmx::ControllerStatusRecord record(int n) const;
    std::array<lmx::ControllerStatusRecord, lmx::kPhysicalDriveCount> records() const;
    void setRecord(int n, const lmx::ControllerStatusRecord& record);

    int retryCounter(int n) const;
    void setRetryCounter(int n, int value);
    // True while some drive is in its retry countdown.
    bool anyRetrying() const;

    bool overTemperature(int n) const;
    void setOverTemperature(int n, bool value);
    bool clockSet(int n) const;
    void setClockSet(int n, bool value);

private:
    mutable std::mutex lock_;
    std::array<lmx::ControllerStatusRecord, lmx::kPhysicalDriveCount> records_{};
    std::array<int, lmx::kPhysicalDriveCount> retryCounters_{kFullRetryCount, kFullRetryCount, kFullRetryCount,
                                                             kFullRetryCount, kFullRetryCount, kFullRetryCount};
    std::array<bool, lmx::kPhysicalDriveCount> overTemperature_{};
    std::array<bool, lmx::kPhysicalDriveCount> clockSet_{};
};

}  // namespace dwsvc
