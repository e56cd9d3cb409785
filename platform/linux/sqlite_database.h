#pragma once
// A small RAII layer over one SQLite database file of the system root, shared by the registry
// and the event log: WAL mode, a busy time-out so that writers in several processes wait for
// each other instead of failing, and read-only access for users who may not write the file.

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

namespace platform::sqlite {

class Statement {
public:
    Statement(sqlite3* db, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool valid() const { return statement_ != nullptr; }
    Statement& bind(int index, std::string_view text);
    Statement& bind(int index, std::int64_t value);
    Statement& bindBlob(int index, std::span<const std::uint8_t> bytes);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    std::int64_t columnInt(int column) const;
    std::string columnText(int column) const;
    std::span<const std::uint8_t> columnBlob(int column) const;

private:
    sqlite3_stmt* statement_ = nullptr;
};

class Database {
public:
    // Opens (creating when allowed) the file and runs the schema script. A process without
    // write access to the file gets a read-only connection.
    static std::shared_ptr<Database> open(const std::filesystem::path& file, std::string_view schema);
    ~Database();

    bool readOnly() const { return readOnly_; }
    sqlite3* handle() { return db_; }
    // Serialises this process's use of the connection.
    std::mutex& mutex() { return mutex_; }
    bool exec(std::string_view sql);

private:
    Database() = default;
    sqlite3* db_ = nullptr;
    bool readOnly_ = false;
    std::mutex mutex_;
};

// One connection per database file and process, reopened when the system root changes.
std::shared_ptr<Database> connectionFor(const std::filesystem::path& file, std::string_view schema);

// A write transaction (BEGIN IMMEDIATE … COMMIT), rolled back unless committed.
class WriteTransaction {
public:
    explicit WriteTransaction(Database& db);
    ~WriteTransaction();
    bool begun() const { return begun_; }
    bool commit();

private:
    Database& db_;
    bool begun_ = false;
    bool done_ = false;
};

}  // namespace platform::sqlite
