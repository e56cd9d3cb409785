#pragma once
// The application event log: RegisterEventSourceA / ReportEventA / DeregisterEventSource.
// Each entry keeps its record number, time, source, event id, type, category and insertion
// strings, and is mirrored to the system log under the source's name.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::eventlog {

inline constexpr std::uint16_t kErrorType = 1;
inline constexpr std::uint16_t kWarningType = 2;
inline constexpr std::uint16_t kInformationType = 4;

struct EventRecord {
    std::int64_t recordNumber = 0;
    std::int64_t timeGenerated = 0;  // seconds since 1970, UTC
    std::string source;
    std::uint32_t eventId = 0;
    std::uint16_t type = 0;
    std::uint16_t category = 0;
    std::vector<std::string> strings;
};

class EventSource {
public:
    // RegisterEventSourceA on the local machine; empty when the log cannot be opened for writing.
    static std::optional<EventSource> registerSource(std::string_view name);
    ~EventSource();  // DeregisterEventSource
    EventSource(EventSource&&) noexcept;
    EventSource& operator=(EventSource&&) noexcept;

    // ReportEventA without user SID or binary data.
    bool report(std::uint16_t type, std::uint16_t category, std::uint32_t eventId,
                const std::vector<std::string_view>& strings);

private:
    struct Impl;
    explicit EventSource(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// The entries of the log in record order (event viewers, tests, the demo).
std::vector<EventRecord> readEvents(std::int64_t afterRecordNumber = 0);

}  // namespace platform::eventlog
