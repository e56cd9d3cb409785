#include "platform/system_info.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>

namespace platform {

namespace {

SystemTime fromTm(const std::tm& tm, int milliseconds) {
    SystemTime time;
    time.year = static_cast<std::uint16_t>(tm.tm_year + 1900);
    time.month = static_cast<std::uint16_t>(tm.tm_mon + 1);
    time.dayOfWeek = static_cast<std::uint16_t>(tm.tm_wday);
    time.day = static_cast<std::uint16_t>(tm.tm_mday);
    time.hour = static_cast<std::uint16_t>(tm.tm_hour);
    time.minute = static_cast<std::uint16_t>(tm.tm_min);
    time.second = static_cast<std::uint16_t>(tm.tm_sec > 59 ? 59 : tm.tm_sec);
    time.milliseconds = static_cast<std::uint16_t>(milliseconds);
    return time;
}

SystemTime clockNow(bool local) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm tm{};
    if (local) {
        localtime_r(&now.tv_sec, &tm);
    } else {
        gmtime_r(&now.tv_sec, &tm);
    }
    return fromTm(tm, static_cast<int>(now.tv_nsec / 1'000'000));
}

}  // namespace

SystemTime localTimeAt(std::int64_t unixSeconds) {
    const auto when = static_cast<std::time_t>(unixSeconds);
    std::tm tm{};
    localtime_r(&when, &tm);
    return fromTm(tm, 0);
}

namespace {

class LinuxSystemInfo final : public SystemInfo {
public:
    std::optional<std::uint32_t> osMajorVersion() const override {
        utsname name{};
        if (uname(&name) != 0) return std::nullopt;
        char* end = nullptr;
        const unsigned long major = std::strtoul(name.release, &end, 10);
        if (end == name.release) return std::nullopt;
        return static_cast<std::uint32_t>(major);
    }

    std::optional<std::filesystem::path> programPath() const override {
        char buffer[4096];
        const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        if (length <= 0) return std::nullopt;
        return std::filesystem::path(std::string(buffer, static_cast<std::size_t>(length)));
    }

    SystemTime localTime() const override { return clockNow(true); }
    SystemTime utcTime() const override { return clockNow(false); }
};

}  // namespace

const SystemInfo& realSystemInfo() {
    static const LinuxSystemInfo real;
    return real;
}

std::uint32_t currentProcessId() { return static_cast<std::uint32_t>(::getpid()); }

}  // namespace platform
