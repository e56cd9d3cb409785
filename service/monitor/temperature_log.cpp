#include "service/monitor/temperature_log.h"

#include <cstdio>
#include <string_view>

#include "platform/file_append.h"

namespace dwsvc {

std::string temperatureLogPath(const std::string& basePath, int physicalNumber) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%02d.csv", physicalNumber);
    return basePath + suffix;
}

void appendTemperatureLine(const std::string& basePath, const lmx::ControllerStatusRecord& record,
                           const platform::SystemTime& now) {
    char line[96];
    const int length = std::snprintf(line, sizeof line, "%04d/%02d/%02d,%02d:%02d:%02d,%u,%u\n", now.year, now.month,
                                     now.day, now.hour, now.minute, now.second, unsigned{record.drive[0].temperature},
                                     unsigned{record.drive[1].temperature});
    // Opened for appending (created when missing) and closed again for every line; a failed
    // write drops the line, and monitoring goes on.
    platform::appendToFile(temperatureLogPath(basePath, record.physicalNumber),
                           std::string_view(line, static_cast<std::size_t>(length)));
}

}  // namespace dwsvc
