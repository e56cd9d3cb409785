#include "platform/event_log.h"

#include <algorithm>
#include <atomic>
#include <ctime>
#include <nlohmann/json.hpp>

#include "platform/linux/journal_entry.h"
#include "platform/linux/sqlite_database.h"
#include "platform/linux/system_log.h"
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

std::atomic<std::uint64_t> gMaximumSize{kDefaultMaximumSize};

std::int64_t countOfEntries(sqlite::Database& db) {
    sqlite::Statement count(db.handle(), "SELECT count(*) FROM events");
    return count.step() == SQLITE_ROW ? count.columnInt(0) : 0;
}

// Keeps the files within the maximum size: the write-ahead log goes into the file first, then
// the oldest entries go, a quarter of the limit's worth at a time so that not every entry pays
// for it, and the freed pages are given back. Call with the mutex held.
void keepWithinMaximumSize(sqlite::Database& db) {
    const std::uint64_t limit = maximumSize();
    if (db.diskBytes() <= limit) return;
    db.exec("PRAGMA wal_checkpoint(TRUNCATE)");
    if (db.diskBytes() <= limit) return;
    // Freed pages are given back only with incremental vacuum, which a log made without it
    // gets by being rewritten once.
    bool incremental = true;
    {
        sqlite::Statement mode(db.handle(), "PRAGMA auto_vacuum");
        incremental = mode.step() != SQLITE_ROW || mode.columnInt(0) == 2;
    }
    if (!incremental) db.exec("PRAGMA auto_vacuum=INCREMENTAL; VACUUM;");
    for (int round = 0; round < 8 && db.diskBytes() > limit * 3 / 4; ++round) {
        const std::int64_t entries = countOfEntries(db);
        if (entries <= 1) break;
        const auto size = static_cast<std::int64_t>(db.diskBytes());
        const std::int64_t target = static_cast<std::int64_t>(limit * 3 / 4);
        const std::int64_t drop = std::max<std::int64_t>(1, entries * (size - target) / std::max<std::int64_t>(size, 1));
        sqlite::Statement remove(db.handle(),
                                 "DELETE FROM events WHERE record_number IN "
                                 "(SELECT record_number FROM events ORDER BY record_number LIMIT ?1)");
        remove.bind(1, std::min(drop, entries - 1));
        if (remove.step() != SQLITE_DONE) break;
        db.exec("PRAGMA incremental_vacuum; PRAGMA wal_checkpoint(TRUNCATE);");
    }
}

}  // namespace

void setMaximumSize(std::uint64_t bytes) { gMaximumSize = std::max(bytes, kLeastMaximumSize); }
std::uint64_t maximumSize() { return gMaximumSize; }

// Every entry here carries its source's name itself: there is no registration to forget.
void removeSourceRegistration(std::string_view) {}

bool reportToSystemLog(std::string_view source, std::uint16_t type, std::uint32_t eventId, std::string_view text,
                       const EventFields& fields) {
    system_log::Entry entry;
    entry.journalFields = journal::entryFields(source, type, eventId, text, fields);
    entry.priority = journal::priorityFor(type);
    entry.identifier = std::string(source);
    entry.text = journal::messageText(eventId, text);
    return system_log::send(entry);
}

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
        if (db) setLastError(db->writeRefusal());
        if (lastError() == kErrorSuccess) setLastError(kErrorAccessDenied);
        return std::nullopt;
    }
    return EventSource(std::make_unique<Impl>(Impl{std::move(db), std::string(name)}));
}

bool EventSource::report(std::uint16_t type, std::uint16_t category, std::uint32_t eventId,
                         const std::vector<std::string_view>& strings, const EventFields& fields) {
    if (!impl_) return false;
    // The system log has the entry even when the file cannot take it. The last insertion
    // string carries the composed text; the others name the source.
    reportToSystemLog(impl_->source, type, eventId, strings.empty() ? std::string_view() : strings.back(), fields);
    return write(static_cast<std::int64_t>(std::time(nullptr)), type, category, eventId, strings);
}

bool EventSource::write(std::int64_t timeGenerated, std::uint16_t type, std::uint16_t category, std::uint32_t eventId,
                        const std::vector<std::string_view>& strings) {
    if (!impl_) return false;
    nlohmann::json array = nlohmann::json::array();
    for (std::string_view s : strings) array.push_back(std::string(s));
    // Invalid UTF-8 is replaced rather than refused: an entry is never lost for its bytes.
    const std::string encoded = array.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    auto& db = *impl_->db;
    std::lock_guard lock(db.mutex());
    for (int attempt = 0;; ++attempt) {
        sqlite::Statement insert(db.handle(),
                                 "INSERT INTO events(time_generated, source, event_id, event_type, category, strings) "
                                 "VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
        insert.bind(1, timeGenerated)
            .bind(2, impl_->source)
            .bind(3, static_cast<std::int64_t>(eventId))
            .bind(4, static_cast<std::int64_t>(type))
            .bind(5, static_cast<std::int64_t>(category))
            .bind(6, encoded);
        const int result = insert.step();
        if (result == SQLITE_DONE) {
            // Readers that start now find what this connection wrote even when its write-ahead
            // log was removed under it.
            db.keepWriteAheadLog();
            keepWithinMaximumSize(db);
            return true;
        }
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
