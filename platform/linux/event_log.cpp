#include "platform/event_log.h"

#include <syslog.h>

#include <ctime>
#include <nlohmann/json.hpp>

#include "platform/linux/journal_entry.h"
#include "platform/linux/sqlite_database.h"
#include "platform/system_root.h"
#include "platform/win_error.h"

namespace platform::eventlog {

namespace {

constexpr std::string_view kSchema = R"sql(
CREATE TABLE IF NOT EXISTS events(
    record_number  INTEGER PRIMARY KEY AUTOINCREMENT,
    time_generated INTEGER NOT NULL,
    source         TEXT NOT NULL,
    event_id       INTEGER NOT NULL,
    event_type     INTEGER NOT NULL,
    category       INTEGER NOT NULL,
    strings        TEXT NOT NULL
);
)sql";

// The event log is its owner's (the service's user's) alone; the system log carries a copy of
// every entry for everyone the system lets read it.
std::shared_ptr<sqlite::Database> database() {
    return sqlite::connectionFor({systemRootDirectory({}) / "eventlog.db", std::string(kSchema), std::nullopt});
}

// The journal takes the entry with its fields; where no journal runs, syslog takes the text.
void mirrorToSystemLog(const std::string& source, std::uint16_t type, std::uint32_t eventId,
                       const std::vector<std::string_view>& strings, const EventFields& fields) {
    // The last insertion string carries the composed text; the others name the source.
    const std::string text = strings.empty() ? std::string() : std::string(strings.back());
    if (journal::send(journal::entryFields(source, type, eventId, text, fields))) return;
    char id[16];
    std::snprintf(id, sizeof id, "0x%08X", eventId);
    openlog(source.c_str(), LOG_PID, LOG_DAEMON);
    syslog(journal::priorityFor(type), "[%s] %s", id, text.c_str());
    closelog();
}

}  // namespace

struct EventSource::Impl {
    std::shared_ptr<sqlite::Database> db;
    std::string source;
};

EventSource::EventSource(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
EventSource::~EventSource() = default;
EventSource::EventSource(EventSource&&) noexcept = default;
EventSource& EventSource::operator=(EventSource&&) noexcept = default;

std::optional<EventSource> EventSource::registerSource(std::string_view name) {
    auto db = database();
    if (!db || db->readOnly()) {
        if (db || lastError() == kErrorSuccess) setLastError(kErrorAccessDenied);
        return std::nullopt;
    }
    return EventSource(std::make_unique<Impl>(Impl{std::move(db), std::string(name)}));
}

bool EventSource::report(std::uint16_t type, std::uint16_t category, std::uint32_t eventId,
                         const std::vector<std::string_view>& strings, const EventFields& fields) {
    if (!impl_) return false;
    nlohmann::json array = nlohmann::json::array();
    for (std::string_view s : strings) array.push_back(std::string(s));
    // Invalid UTF-8 is replaced rather than refused: an entry is never lost for its bytes.
    const std::string encoded = array.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    // The system log has the entry even when the file cannot take it.
    mirrorToSystemLog(impl_->source, type, eventId, strings, fields);
    auto& db = *impl_->db;
    std::lock_guard lock(db.mutex());
    for (int attempt = 0;; ++attempt) {
        sqlite::Statement insert(db.handle(),
                                 "INSERT INTO events(time_generated, source, event_id, event_type, category, strings) "
                                 "VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
        insert.bind(1, static_cast<std::int64_t>(std::time(nullptr)))
            .bind(2, impl_->source)
            .bind(3, static_cast<std::int64_t>(eventId))
            .bind(4, static_cast<std::int64_t>(type))
            .bind(5, static_cast<std::int64_t>(category))
            .bind(6, encoded);
        const int result = insert.step();
        if (result == SQLITE_DONE) return true;
        // A file damaged while the log was open is moved aside, and the entry goes to a new one.
        if (attempt > 0 || !db.recoverIfDamaged(result)) {
            setLastError(db.errorFor(result));
            return false;
        }
    }
}

std::vector<EventRecord> readEvents(std::int64_t afterRecordNumber) {
    return readEventLog(afterRecordNumber).value_or(std::vector<EventRecord>());
}

std::optional<std::vector<EventRecord>> readEventLog(std::int64_t afterRecordNumber) {
    std::vector<EventRecord> records;
    auto db = database();
    if (!db) return std::nullopt;
    std::lock_guard lock(db->mutex());
    sqlite::Statement select(db->handle(),
                             "SELECT record_number, time_generated, source, event_id, event_type, category, strings "
                             "FROM events WHERE record_number > ?1 ORDER BY record_number");
    select.bind(1, afterRecordNumber);
    while (select.step() == SQLITE_ROW) {
        EventRecord record;
        record.recordNumber = select.columnInt(0);
        record.timeGenerated = select.columnInt(1);
        record.source = select.columnText(2);
        record.eventId = static_cast<std::uint32_t>(select.columnInt(3));
        record.type = static_cast<std::uint16_t>(select.columnInt(4));
        record.category = static_cast<std::uint16_t>(select.columnInt(5));
        const auto strings = nlohmann::json::parse(select.columnText(6), nullptr, false);
        if (strings.is_array()) {
            for (const auto& s : strings) {
                if (s.is_string()) record.strings.push_back(s.get<std::string>());
            }
        }
        records.push_back(std::move(record));
    }
    return records;
}

}  // namespace platform::eventlog
