#include "platform/registry.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <ctime>

#include "platform/linux/sqlite_database.h"
#include "platform/system_root.h"
#include "platform/win_error.h"

namespace platform::registry {

namespace {

constexpr std::string_view kSchema = R"sql(
CREATE TABLE IF NOT EXISTS registry_keys(
    path       TEXT PRIMARY KEY COLLATE NOCASE,
    last_write INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS registry_values(
    key_path TEXT NOT NULL COLLATE NOCASE,
    name     TEXT NOT NULL COLLATE NOCASE,
    type     INTEGER NOT NULL,
    data     BLOB NOT NULL,
    PRIMARY KEY(key_path, name)
);
CREATE TABLE IF NOT EXISTS registry_instance(id INTEGER NOT NULL);
INSERT INTO registry_instance(id) SELECT abs(random()) WHERE NOT EXISTS (SELECT 1 FROM registry_instance);
)sql";

// A view that shows every value decoded, for an administrator with the sqlite3 shell:
// SELECT * FROM registry_view WHERE key_path LIKE 'SYSTEM\CurrentControlSet\Services\%';
std::string readableViewSql() {
    std::string dword;
    for (int k = 0; k < 4; ++k) {
        for (int nibble = 0; nibble < 2; ++nibble) {
            if (!dword.empty()) dword += " | ";
            dword += "((instr('0123456789ABCDEF', substr(hex(data), " + std::to_string(2 * k + 1 + nibble) +
                     ", 1)) - 1) << " + std::to_string(8 * k + (nibble == 0 ? 4 : 0)) + ")";
        }
    }
    return "CREATE VIEW IF NOT EXISTS registry_view AS SELECT key_path, name, "
           "CASE type WHEN 1 THEN 'REG_SZ' WHEN 3 THEN 'REG_BINARY' WHEN 4 THEN 'REG_DWORD' ELSE 'type ' || type END "
           "AS type, CASE WHEN type = 4 AND length(data) = 4 THEN printf('0x%08X', " +
           dword +
           ") WHEN type = 1 THEN rtrim(CAST(data AS TEXT), char(0)) ELSE hex(data) END AS value "
           "FROM registry_values;";
}

// The registry is its owner's (the service's user's); every other user reads the copy that
// the owner publishes after each write.
std::shared_ptr<sqlite::Database> database() {
    static const std::string schema = std::string(kSchema) + readableViewSql();
    const auto root = systemRootDirectory({});
    return sqlite::connectionFor({root / "registry.db", schema, root / "published" / "registry.db"});
}

// Batches open in this process, and whether a write happened in one.
std::mutex gBatchLock;
int gOpenBatches = 0;
bool gUnpublishedWrite = false;

// After a committed write: publishes now, or when the last open batch ends.
void publishAfterWrite(sqlite::Database& db) {
    {
        std::lock_guard lock(gBatchLock);
        if (gOpenBatches > 0) {
            gUnpublishedWrite = true;
            return;
        }
    }
    db.publish();
}

// What one step of a write did: an SQLite result, or a refusal with the platform's error code.
struct StepResult {
    int result = SQLITE_OK;
    std::uint32_t refusal = kErrorSuccess;
};

StepResult stepped(sqlite::Statement& statement) {
    const int result = statement.step();
    return {result == SQLITE_DONE ? SQLITE_OK : result, kErrorSuccess};
}

// One write transaction running `body`. A file found damaged on the way is started afresh and
// the write tried once more; every commit is published for the other users.
template <class Body>
std::uint32_t writeTransaction(sqlite::Database& db, Body body) {
    for (int attempt = 0;; ++attempt) {
        StepResult outcome;
        {
            sqlite::WriteTransaction transaction(db);
            outcome.result = transaction.beginResult();
            if (outcome.result == SQLITE_OK) outcome = body();
            if (outcome.result == SQLITE_OK && outcome.refusal == kErrorSuccess) outcome.result = transaction.commit();
        }
        if (outcome.refusal != kErrorSuccess) return outcome.refusal;
        if (outcome.result == SQLITE_OK) {
            publishAfterWrite(db);
            return kErrorSuccess;
        }
        if (attempt > 0 || !db.recoverIfDamaged(outcome.result)) return db.errorFor(outcome.result);
    }
}

// "A\\B\\C" with empty parts and outer separators removed; empty for an unusable path.
std::string normalisePath(std::string_view path) {
    std::string result;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        if (end > start) {
            if (!result.empty()) result += '\\';
            result.append(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return result;
}

bool keyExists(sqlite::Database& db, std::string_view path) {
    sqlite::Statement query(db.handle(), "SELECT 1 FROM registry_keys WHERE path = ?1");
    query.bind(1, path);
    return query.step() == SQLITE_ROW;
}

std::string storedPath(sqlite::Database& db, std::string_view path) {
    sqlite::Statement query(db.handle(), "SELECT path FROM registry_keys WHERE path = ?1");
    query.bind(1, path);
    return query.step() == SQLITE_ROW ? query.columnText(0) : std::string(path);
}

}  // namespace

PublicationBatch::PublicationBatch() {
    std::lock_guard lock(gBatchLock);
    ++gOpenBatches;
}

PublicationBatch::~PublicationBatch() {
    {
        std::lock_guard lock(gBatchLock);
        if (--gOpenBatches > 0 || !std::exchange(gUnpublishedWrite, false)) return;
    }
    if (auto db = database()) {
        std::lock_guard lock(db->mutex());
        db->publish();
    }
}

void republishIfBehind() {
    {
        std::lock_guard lock(gBatchLock);
        if (gOpenBatches > 0) return;
    }
    if (auto db = database()) {
        std::lock_guard lock(db->mutex());
        if (db->publicationBehind()) db->publish();
    }
}

std::optional<std::uint64_t> instanceId() {
    auto db = database();
    if (!db) return std::nullopt;
    std::lock_guard lock(db->mutex());
    sqlite::Statement select(db->handle(), "SELECT id FROM registry_instance");
    if (select.step() != SQLITE_ROW) return std::nullopt;
    return static_cast<std::uint64_t>(select.columnInt(0));
}

void writeThrough() {
    if (auto db = database(); db && !db->readOnly()) {
        std::lock_guard lock(db->mutex());
        db->exec("PRAGMA wal_checkpoint(TRUNCATE)");
    }
}

struct Key::Impl {
    std::shared_ptr<sqlite::Database> db;
    std::string path;
    std::uint32_t access = 0;
};

Key::Key() = default;
Key::~Key() = default;
Key::Key(Key&&) noexcept = default;
Key& Key::operator=(Key&&) noexcept = default;

const std::string& Key::path() const {
    static const std::string kNone;
    return impl_ ? impl_->path : kNone;
}

void Key::close() { impl_.reset(); }

std::uint32_t Key::open(std::string_view path, std::uint32_t access, Key& key) {
    key.close();
    const std::string normalised = normalisePath(path);
    auto db = database();
    if (!db) return kErrorFileNotFound;
    std::lock_guard lock(db->mutex());
    if (normalised.empty() || !keyExists(*db, normalised)) return kErrorFileNotFound;
    if ((access & (kKeySetValue | kKeyCreateSubKey)) && db->readOnly()) return db->writeRefusal();
    key.impl_ = std::make_unique<Impl>(Impl{db, storedPath(*db, normalised), access});
    return kErrorSuccess;
}

std::uint32_t Key::create(std::string_view path, std::uint32_t access, Key& key) {
    key.close();
    const std::string normalised = normalisePath(path);
    if (normalised.empty()) return kErrorInvalidParameter;
    auto db = database();
    if (!db) return lastError() == kErrorSuccess ? kErrorAccessDenied : lastError();
    std::lock_guard lock(db->mutex());
    if (!keyExists(*db, normalised)) {
        if (db->readOnly()) return db->writeRefusal();
        const auto error = writeTransaction(*db, [&]() -> StepResult {
            // The key and every missing parent.
            for (std::size_t end = normalised.find('\\');; end = normalised.find('\\', end + 1)) {
                sqlite::Statement insert(db->handle(), "INSERT OR IGNORE INTO registry_keys(path, last_write) VALUES(?1, ?2)");
                insert.bind(1, std::string_view(normalised).substr(0, end)).bind(2, static_cast<std::int64_t>(std::time(nullptr)));
                if (const auto done = stepped(insert); done.result != SQLITE_OK) return done;
                if (end == std::string::npos) return {};
            }
        });
        if (error != kErrorSuccess) return error;
    } else if ((access & (kKeySetValue | kKeyCreateSubKey)) && db->readOnly()) {
        return db->writeRefusal();
    }
    key.impl_ = std::make_unique<Impl>(Impl{db, storedPath(*db, normalised), access});
    return kErrorSuccess;
}

std::uint32_t Key::deleteTree(std::string_view path) {
    const std::string normalised = normalisePath(path);
    auto db = database();
    if (!db || normalised.empty()) return kErrorFileNotFound;
    std::lock_guard lock(db->mutex());
    if (!keyExists(*db, normalised)) return kErrorFileNotFound;
    if (db->readOnly()) return db->writeRefusal();
    return writeTransaction(*db, [&]() -> StepResult {
        constexpr std::string_view kInTree = " = ?1 OR substr(%, 1, length(?1) + 1) = ?1 || '\\' COLLATE NOCASE";
        for (const auto& [table, column] : {std::pair{"registry_values", "key_path"}, std::pair{"registry_keys", "path"}}) {
            std::string where(kInTree);
            where.replace(where.find('%'), 1, column);
            sqlite::Statement remove(db->handle(), std::string("DELETE FROM ") + table + " WHERE " + column + where);
            remove.bind(1, normalised);
            if (const auto done = stepped(remove); done.result != SQLITE_OK) return done;
        }
        return {};
    });
}

std::uint32_t Key::query(std::string_view name, Value& value) const {
    if (!impl_) return kErrorInvalidHandle;
    auto& db = *impl_->db;
    std::lock_guard lock(db.mutex());
    sqlite::Statement select(db.handle(), "SELECT type, data FROM registry_values WHERE key_path = ?1 AND name = ?2");
    select.bind(1, impl_->path).bind(2, name);
    if (select.step() != SQLITE_ROW) return kErrorFileNotFound;
    value.type = static_cast<ValueType>(select.columnInt(0));
    const auto bytes = select.columnBlob(1);
    value.data.assign(bytes.begin(), bytes.end());
    return kErrorSuccess;
}

std::uint32_t Key::queryDword(std::string_view name, std::uint32_t& value) const {
    Value stored;
    if (const auto error = query(name, stored); error != kErrorSuccess) return error;
    if (stored.type != ValueType::Dword || stored.data.size() != 4) return kErrorInvalidData;
    value = std::uint32_t{stored.data[0]} | std::uint32_t{stored.data[1]} << 8 | std::uint32_t{stored.data[2]} << 16 |
            std::uint32_t{stored.data[3]} << 24;
    return kErrorSuccess;
}

std::uint32_t Key::queryString(std::string_view name, std::string& value) const {
    Value stored;
    if (const auto error = query(name, stored); error != kErrorSuccess) return error;
    if (stored.type != ValueType::String) return kErrorInvalidData;
    const auto end = std::find(stored.data.begin(), stored.data.end(), std::uint8_t{0});
    value.assign(stored.data.begin(), end);
    return kErrorSuccess;
}

std::uint32_t Key::set(std::string_view name, ValueType type, std::span<const std::uint8_t> data) {
    if (!impl_) return kErrorInvalidHandle;
    if (!(impl_->access & kKeySetValue)) return kErrorAccessDenied;
    auto& db = *impl_->db;
    std::lock_guard lock(db.mutex());
    if (db.readOnly()) return db.writeRefusal();
    return writeTransaction(db, [&]() -> StepResult {
        if (!keyExists(db, impl_->path)) return {SQLITE_OK, kErrorKeyDeleted};
        sqlite::Statement upsert(db.handle(),
                                 "INSERT INTO registry_values(key_path, name, type, data) VALUES(?1, ?2, ?3, ?4) "
                                 "ON CONFLICT(key_path, name) DO UPDATE SET type = excluded.type, data = excluded.data");
        upsert.bind(1, impl_->path).bind(2, name).bind(3, static_cast<std::int64_t>(type)).bindBlob(4, data);
        if (const auto done = stepped(upsert); done.result != SQLITE_OK) return done;
        sqlite::Statement touch(db.handle(), "UPDATE registry_keys SET last_write = ?2 WHERE path = ?1");
        touch.bind(1, impl_->path).bind(2, static_cast<std::int64_t>(std::time(nullptr)));
        return stepped(touch);
    });
}

std::uint32_t Key::setDword(std::string_view name, std::uint32_t value) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return set(name, ValueType::Dword, bytes);
}

std::uint32_t Key::setString(std::string_view name, std::string_view value) {
    std::vector<std::uint8_t> bytes(value.begin(), value.end());
    bytes.push_back(0);
    return set(name, ValueType::String, bytes);
}

std::uint32_t Key::deleteValue(std::string_view name) {
    if (!impl_) return kErrorInvalidHandle;
    if (!(impl_->access & kKeySetValue)) return kErrorAccessDenied;
    auto& db = *impl_->db;
    std::lock_guard lock(db.mutex());
    if (db.readOnly()) return db.writeRefusal();
    return writeTransaction(db, [&]() -> StepResult {
        sqlite::Statement remove(db.handle(), "DELETE FROM registry_values WHERE key_path = ?1 AND name = ?2");
        remove.bind(1, impl_->path).bind(2, name);
        if (const auto done = stepped(remove); done.result != SQLITE_OK) return done;
        return {SQLITE_OK, sqlite3_changes(db.handle()) > 0 ? kErrorSuccess : kErrorFileNotFound};
    });
}

std::vector<std::string> Key::valueNames() const {
    std::vector<std::string> names;
    if (!impl_) return names;
    auto& db = *impl_->db;
    std::lock_guard lock(db.mutex());
    sqlite::Statement select(db.handle(), "SELECT name FROM registry_values WHERE key_path = ?1 ORDER BY name");
    select.bind(1, impl_->path);
    while (select.step() == SQLITE_ROW) names.push_back(select.columnText(0));
    return names;
}

std::vector<std::string> Key::subKeyNames() const {
    std::vector<std::string> names;
    if (!impl_) return names;
    auto& db = *impl_->db;
    std::lock_guard lock(db.mutex());
    sqlite::Statement select(db.handle(),
                             "SELECT substr(path, length(?1) + 2) FROM registry_keys "
                             "WHERE substr(path, 1, length(?1) + 1) = ?1 || '\\' COLLATE NOCASE "
                             "AND instr(substr(path, length(?1) + 2), '\\') = 0 ORDER BY path");
    select.bind(1, impl_->path);
    while (select.step() == SQLITE_ROW) names.push_back(select.columnText(0));
    return names;
}

}  // namespace platform::registry
