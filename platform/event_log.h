#pragma once
// The application event log: RegisterEventSourceA / ReportEventA / DeregisterEventSource.
// Each entry keeps its record number, time, source, event id, type, category and insertion
// strings, and is mirrored to the system log under the source's name, with the fields of
// EventFields as fields of their own where the system log takes them (the journal).

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

// What an entry tells about itself beyond its texts, for the system log's own fields.
struct EventFields {
    // The id every entry of this kind shares, whichever drive it names (the event id less its
    // per-drive part); 0 takes the event id itself.
    std::uint32_t kindId = 0;
    std::optional<int> physicalDrive;
    std::optional<int> raidNumber;  // as shown: the controller's ordinal + 1
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
                const std::vector<std::string_view>& strings, const EventFields& fields = {});

private:
    struct Impl;
    explicit EventSource(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// The entries of the log after `afterRecordNumber` in record order (event viewers, tests, the
// demo), or empty with the last error set when the log cannot be read: 5 when this user may
// not (the log is its owner's, the service's user's, alone), 2 when there is none.
std::optional<std::vector<EventRecord>> readEventLog(std::int64_t afterRecordNumber = 0);

// As readEventLog, with no entries when the log cannot be read.
std::vector<EventRecord> readEvents(std::int64_t afterRecordNumber = 0);

}  // namespace platform::eventlog
