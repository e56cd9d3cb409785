#include "platform/linux/sqlite_database.h"

#include <sys/stat.h>
#include <unistd.h>

#include <map>

namespace platform::sqlite {

Statement::Statement(sqlite3* db, std::string_view sql) {
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr) != SQLITE_OK) {
        statement_ = nullptr;
    }
}

Statement::~Statement() { sqlite3_finalize(statement_); }

Statement& Statement::bind(int index, std::string_view text) {
    sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::bind(int index, std::int64_t value) {
    sqlite3_bind_int64(statement_, index, value);
    return *this;
}

Statement& Statement::bindBlob(int index, std::span<const std::uint8_t> bytes) {
    // A zero-length blob must still be a blob, not NULL.
    static const std::uint8_t kEmpty = 0;
    sqlite3_bind_blob(statement_, index, bytes.empty() ? &kEmpty : bytes.data(), static_cast<int>(bytes.size()),
                      SQLITE_TRANSIENT);
    return *this;
}

int Statement::step() { return statement_ ? sqlite3_step(statement_) : SQLITE_MISUSE; }

std::int64_t Statement::columnInt(int column) const { return sqlite3_column_int64(statement_, column); }

std::string Statement::columnText(int column) const {
    const auto* text = sqlite3_column_text(statement_, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                : std::string();
}

std::span<const std::uint8_t> Statement::columnBlob(int column) const {
    const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement_, column));
    return {data, data ? static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)) : 0};
}

std::shared_ptr<Database> Database::open(const std::filesystem::path& file, std::string_view schema) {
    std::shared_ptr<Database> db(new Database);
    std::error_code error;
    const bool exists = std::filesystem::exists(file, error);
    const bool writable = exists ? access(file.c_str(), W_OK) == 0 : access(file.parent_path().c_str(), W_OK) == 0;
    db->readOnly_ = !writable;
    const int flags = writable ? (SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) : SQLITE_OPEN_READONLY;
    if (!exists && !writable) return nullptr;
    if (sqlite3_open_v2(file.c_str(), &db->db_, flags | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
        return nullptr;
    }
    sqlite3_busy_timeout(db->db_, 10'000);
    if (writable) {
        // Every user may read the stand-ins' state; only their owner (the service's user) writes.
        chmod(file.c_str(), 0644);
        if (!db->exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;") || !db->exec(schema)) return nullptr;
    }
    return db;
}

Database::~Database() { sqlite3_close_v2(db_); }

bool Database::exec(std::string_view sql) {
    const std::string script(sql);
    return sqlite3_exec(db_, script.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::shared_ptr<Database> connectionFor(const std::filesystem::path& file, std::string_view schema) {
    struct Cached {
        pid_t owner = 0;
        std::shared_ptr<Database> db;
    };
    static std::mutex cacheLock;
    static std::map<std::filesystem::path, Cached> cache;
    std::lock_guard lock(cacheLock);
    auto& slot = cache[file];
    if (slot.db && slot.owner != getpid()) {
        // Inherited across fork: the connection belongs to the parent. Closing it here could
        // disturb the parent's WAL files, so the child leaves it alone and opens its own.
        new std::shared_ptr<Database>(std::move(slot.db));
    }
    // A connection is dropped when its file was removed under it (a test's root was deleted).
    std::error_code error;
    if (slot.db && !std::filesystem::exists(file, error)) slot.db.reset();
    if (!slot.db) {
        slot.db = Database::open(file, schema);
        slot.owner = getpid();
    }
    return slot.db;
}

WriteTransaction::WriteTransaction(Database& db) : db_(db) { begun_ = db_.exec("BEGIN IMMEDIATE"); }

WriteTransaction::~WriteTransaction() {
    if (begun_ && !done_) db_.exec("ROLLBACK");
}

bool WriteTransaction::commit() {
    done_ = true;
    return begun_ && db_.exec("COMMIT");
}

}  // namespace platform::sqlite
