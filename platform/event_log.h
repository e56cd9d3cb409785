#pragma once
// The application event log: RegisterEventSourceA / ReportEventA / DeregisterEventSource.
// Each entry keeps its record number, time, source, event id, type, category and insertion
// strings, and is mirrored to the system log under the source's name, with the fields of
// EventFields as fields of their own where the system log takes them (the journal). The log
// has a maximum size, beyond which its oldest entries go.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
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

// What an entry tells about itself beyond its texts, for the system log's own fields: the
// caller names them, the log only carries them.
struct EventFields {
    // The id every entry of this kind shares (MESSAGE_ID: 32 lower-case hex digits); empty: none.
    std::string messageId;
    // Fields of the caller's own, in order: upper-case names, values of one line.
    std::vector<std::pair<std::string, std::string>> fields;
};

// The log's size when no other is set, and the least it may be given.
inline constexpr std::uint64_t kDefaultMaximumSize = 16ull * 1024 * 1024;
inline constexpr std::uint64_t kLeastMaximumSize = 64ull * 1024;

// The log's maximum size in bytes on the disk (its files together); beyond it, the oldest
// entries are removed as new ones come. Below kLeastMaximumSize counts as that; for the process.
void setMaximumSize(std::uint64_t bytes);
std::uint64_t maximumSize();

// The system log alone (the journal, else syslog), for an entry the log itself did not or will
// not take now; false when neither took it.
bool reportToSystemLog(std::string_view source, std::uint16_t type, std::uint32_t eventId, std::string_view text,
                       const EventFields& fields = {});

class EventSource {
public:
    // RegisterEventSourceA on the local machine; empty when the log cannot be opened for writing.
    static std::optional<EventSource> registerSource(std::string_view name);
    ~EventSource();  // DeregisterEventSource
    EventSource(EventSource&&) noexcept;
    EventSource& operator=(EventSource&&) noexcept;

    // ReportEventA without user SID or binary data: to the system log (the last string is
    // the text) and to the log, at the current time.
    bool report(std::uint16_t type, std::uint16_t category, std::uint32_t eventId,
                const std::vector<std::string_view>& strings, const EventFields& fields = {});
    // To the log alone, with the time the entry happened (seconds since 1970, UTC): for an
    // entry the system log took when the log could not. False with the last error set (112
    // disk full, 19 read-only …) when the log did not take it.
    bool write(std::int64_t timeGenerated, std::uint16_t type, std::uint16_t category, std::uint32_t eventId,
               const std::vector<std::string_view>& strings);

private:
    struct Impl;
    explicit EventSource(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// Forgets the source's registration with the log, when the program that wrote under it is
// removed; the entries it wrote stay. Nothing to forget where the log keeps no registrations.
void removeSourceRegistration(std::string_view name);

// The entries of the log after `afterRecordNumber` in record order (event viewers, tests, the
// demo), or empty with the last error set when the log cannot be read: 5 when this user may
// not (the log is its owner's, the service's user's, alone), 2 when there is none.
std::optional<std::vector<EventRecord>> readEventLog(std::int64_t afterRecordNumber = 0);

// As readEventLog, with no entries when the log cannot be read.
std::vector<EventRecord> readEvents(std::int64_t afterRecordNumber = 0);

}  // namespace platform::eventlog
