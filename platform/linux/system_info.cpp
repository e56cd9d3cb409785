#include "platform/system_info.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

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

std::atomic<const SystemInfo*> gOverride{nullptr};

}  // namespace

const SystemInfo& realSystemInfo() {
    static const LinuxSystemInfo real;
    return real;
}

const SystemInfo& systemInfo() {
    const SystemInfo* installed = gOverride.load();
    return installed ? *installed : realSystemInfo();
}

ScopedSystemInfo::ScopedSystemInfo(const SystemInfo& replacement) : previous_(gOverride.exchange(&replacement)) {}
ScopedSystemInfo::~ScopedSystemInfo() { gOverride.store(previous_); }

std::string programFolder() {
    const auto path = systemInfo().programPath();
    if (!path) return {};
    std::string folder = path->parent_path().string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::uint32_t currentProcessId() { return static_cast<std::uint32_t>(::getpid()); }

namespace {

bool debugEnabled() {
    static const bool enabled = std::getenv("LMXDUOWATCH_DEBUG") != nullptr;
    return enabled;
}

thread_local DebugOutputHold* tHold = nullptr;

// One or more whole lines, each ending with a line break.
void writeDebugLines(std::string_view text) {
    if (text.empty()) return;
    static std::mutex lineLock;
    std::lock_guard lock(lineLock);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

std::string asLine(std::string_view text) {
    std::string line(text);
    if (line.empty() || line.back() != '\n') line += '\n';
    return line;
}

}  // namespace

void debugOutput(std::string_view text) {
    if (!debugEnabled()) return;
    if (tHold) {
        tHold->held_ += asLine(text);
        return;
    }
    writeDebugLines(asLine(text));
}

DebugOutputHold::DebugOutputHold() : outer_(tHold) { tHold = this; }

DebugOutputHold::~DebugOutputHold() {
    release();
    tHold = outer_;
}

void DebugOutputHold::release(std::string_view first) {
    if (!active_) return;
    active_ = false;
    if (tHold == this) tHold = outer_;
    if (!debugEnabled()) return;
    std::string lines = first.empty() ? std::string() : asLine(first);
    lines += held_;
    held_.clear();
    if (outer_) {
        outer_->held_ += lines;
    } else {
        writeDebugLines(lines);
    }
}

}  // namespace platform
