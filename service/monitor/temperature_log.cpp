#include "service/monitor/temperature_log.h"

#include <cstdio>

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
    // Opened for appending (created when missing) and closed again for every line.
    std::FILE* file = std::fopen(temperatureLogPath(basePath, record.physicalNumber).c_str(), "ab");
    if (!file) return;
    std::fwrite(line, 1, static_cast<std::size_t>(length), file);
    std::fclose(file);
}

}  // namespace dwsvc
