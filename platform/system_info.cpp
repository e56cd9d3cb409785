// The parts of the system facts that are the same on every platform: the override tests
// install, the program's folder and the debug output.

#include "platform/system_info.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace platform {

namespace {
std::atomic<const SystemInfo*> gOverride{nullptr};
}  // namespace

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
    if (folder.empty() || folder.back() != std::filesystem::path::preferred_separator) {
        folder += static_cast<char>(std::filesystem::path::preferred_separator);
    }
    return folder;
}

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
