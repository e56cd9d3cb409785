#pragma once
// The temperature CSV log: one line per poll and temperature-capable controller, in a file per
// drive named after the service's start time.

#include <string>

#include "common/controller_status_record.h"
#include "platform/system_time.h"

namespace dwsvc {

// "<base>_%02d.csv" for drive n.
std::string temperatureLogPath(const std::string& basePath, int physicalNumber);

// Appends "YYYY/MM/DD,hh:mm:ss,T0,T1\n" with the record's first two member temperatures.
// Failures drop the line; monitoring goes on.
void appendTemperatureLine(const std::string& basePath, const lmx::ControllerStatusRecord& record,
                           const platform::SystemTime& now);

}  // namespace dwsvc
