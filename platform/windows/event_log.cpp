#include "platform/event_log.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>

#include "platform/win_error.h"
#include "platform/windows/event_records.h"
#include "platform/windows/event_source_registration.h"
#include "platform/windows/wide_text.h"

// On Windows the application event log is the system's own log: entries go to it with
// ReportEventW and are read back with ReadEventLogW. There is no second log beside it as the
// journal is beside the Linux stand-in's file.

namespace platform::eventlog {

namespace {

// The suite's event source, whose entries readEventLog reads back.
constexpr std::string_view kSuiteSource = "LMXDuowatch";

// ReportEventW takes at most this many characters per insertion string.
constexpr std::size_t kLongestString = 31839;

std::atomic<std::uint64_t> gMaximumSize{kDefaultMaximumSize};

// The source's registration with the log (its message file), written by the first process that
// registers the source and may write the machine's keys: the service, at its first start after
// installation. Tried once per source and process.
void registerOnce(std::string_view name) {
    static std::mutex lock;
    static std::set<std::string, std::less<>> tried;
    {
        std::lock_guard guard(lock);
        if (!tried.emplace(name).second) return;
    }
    win32::registerEventSource(name, win32::eventMessageFile());
}

bool reportEvent(HANDLE source, std::uint16_t type, std::uint16_t category, std::uint32_t eventId,
                 const std::vector<std::string_view>& strings) {
    std::vector<std::wstring> wide;
    wide.reserve(strings.size());
    for (std::string_view text : strings) {
        // Invalid UTF-8 becomes U+FFFD: an entry is never lost for its bytes.
        std::wstring converted = win32::widen(text);
        if (converted.size() > kLongestString) converted.resize(kLongestString);
        wide.push_back(std::move(converted));
    }
    std::vector<LPCWSTR> pointers;
    for (const auto& text : wide) pointers.push_back(text.c_str());
    if (!::ReportEventW(source, type, category, eventId, nullptr, static_cast<WORD>(pointers.size()), 0,
                        pointers.empty() ? nullptr : pointers.data(), nullptr)) {
        setLastError(::GetLastError());
        return false;
    }
    return true;
}

}  // namespace

// The application log's size is the system's (its MaxSize, set by administrators; by default
// the log overwrites its oldest entries as needed): the value is kept for the process only.
void setMaximumSize(std::uint64_t bytes) { gMaximumSize = std::max(bytes, kLeastMaximumSize); }
std::uint64_t maximumSize() { return gMaximumSize; }

void removeSourceRegistration(std::string_view name) { win32::removeEventSourceRegistration(name); }

// Windows has no system log besides the event log, which the entry goes to anyway: the line goes
// to the debugger's output (OutputDebugStringW, as DebugView shows it), which takes every line.
bool reportToSystemLog(std::string_view source, std::uint16_t, std::uint32_t, std::string_view text,
                       const EventFields&) {
    ::OutputDebugStringW(win32::widen(std::string(source) + ": " + std::string(text) + "\n").c_str());
    return true;
}

struct EventSource::Impl {
    HANDLE handle = nullptr;
    ~Impl() {
        if (handle) ::DeregisterEventSource(handle);
    }
};

EventSource::EventSource(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
EventSource::~EventSource() = default;
EventSource::EventSource(EventSource&&) noexcept = default;
EventSource& EventSource::operator=(EventSource&&) noexcept = default;

std::optional<EventSource> EventSource::registerSource(std::string_view name) {
    registerOnce(name);
    const HANDLE handle = ::RegisterEventSourceW(nullptr, win32::widen(win32::eventSourceName(name)).c_str());
    if (!handle) {
        setLastError(::GetLastError());
        return std::nullopt;
    }
    auto impl = std::make_unique<Impl>();
    impl->handle = handle;
    return EventSource(std::move(impl));
}

bool EventSource::report(std::uint16_t type, std::uint16_t category, std::uint32_t eventId,
                         const std::vector<std::string_view>& strings, const EventFields&) {
    if (!impl_) {
        setLastError(kErrorInvalidHandle);
        return false;
    }
    return reportEvent(impl_->handle, type, category, eventId, strings);
}

// ReportEventW stamps every entry with the time it is reported and takes no other: an entry kept
// back while the log did not take it is dated when it reaches the log.
bool EventSource::write(std::int64_t, std::uint16_t type, std::uint16_t category, std::uint32_t eventId,
                        const std::vector<std::string_view>& strings) {
    return report(type, category, eventId, strings);
}

std::vector<EventRecord> readEvents(std::int64_t afterRecordNumber) {
    return readEventLog(afterRecordNumber).value_or(std::vector<EventRecord>());
}

// The suite's entries of the application log, read from its start forwards (the log is
// overwritten from its oldest end, so a record number is no place to seek to).
std::optional<std::vector<EventRecord>> readEventLog(std::int64_t afterRecordNumber) {
    const HANDLE log = ::OpenEventLogW(nullptr, L"Application");
    if (!log) {
        setLastError(::GetLastError());
        return std::nullopt;
    }
    const std::wstring source = win32::widen(win32::eventSourceName(kSuiteSource));
    std::vector<EventRecord> records;
    std::vector<std::uint8_t> buffer(64 * 1024);
    std::optional<std::vector<EventRecord>> result;
    for (;;) {
        DWORD read = 0;
        DWORD needed = 0;
        if (::ReadEventLogW(log, EVENTLOG_SEQUENTIAL_READ | EVENTLOG_FORWARDS_READ, 0, buffer.data(),
                            static_cast<DWORD>(buffer.size()), &read, &needed)) {
            if (!win32::decodeEventRecords(buffer.data(), std::min<std::size_t>(read, buffer.size()), source,
                                           afterRecordNumber, kSuiteSource, records)) {
                setLastError(kErrorFileCorrupt);
                break;
            }
            continue;
        }
        const DWORD error = ::GetLastError();
        if (error == ERROR_INSUFFICIENT_BUFFER && needed > buffer.size()) {
            buffer.resize(needed);
            continue;
        }
        if (error == ERROR_HANDLE_EOF) result = std::move(records);
        else setLastError(error);
        break;
    }
    ::CloseEventLog(log);
    return result;
}

}  // namespace platform::eventlog
