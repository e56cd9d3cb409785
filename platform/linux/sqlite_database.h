#pragma once
// A small RAII layer over one SQLite database file of the system root, shared by the registry
// and the event log: WAL mode, a busy time-out so that writers in several processes wait for
// each other instead of failing.
//
// The database file and its -wal and -shm files are their owner's alone (mode 0600): any
// process that can open them can take the locks SQLite uses, and so stall or cut off the
// writer. Other users read a published copy instead (when the database has one): a complete
// database file that the owner replaces atomically after every write and that readers open
// as immutable, without any lock.
//
// A damaged file (not a database, or malformed) is moved aside under a name that says so
// ("registry.db.damaged-20261208-130501") and a fresh one is started, with a line in the
// system log; nothing is written into a file SQLite cannot read. A file that cannot be moved
// aside is left in place, the line says so, and the write fails. Processes that find the same
// file damaged move it aside one at a time (a lock file beside it, ".aside-lock"), and only while
// it is still at its name: the fresh file another process started in its place stays.

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/linux/socket_io.h"

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
    int prepareError_ = SQLITE_OK;
};

struct DatabaseFile {
    std::filesystem::path file;
    std::string schema;
    // Where users other than the owner read it; none: they may not read it at all.
    std::optional<std::filesystem::path> published;
};

class Database {
public:
    // Opens (creating when allowed) the owner's file and runs the schema script, or, for a
    // process that may not write the file, the published copy read-only. Empty with the last
    // error set when neither can be opened.
    static std::shared_ptr<Database> open(const DatabaseFile& file);
    ~Database();

    bool readOnly() const { return readOnly_; }
    // A read-only view of the file alone, without its write-ahead log: what the owner's process
    // finds when the log was removed while another process holds the database open.
    bool snapshot() const { return snapshot_; }
    // Why a read-only connection may not write: 19 on a read-only file system, else 5.
    std::uint32_t writeRefusal() const { return writeRefusal_; }
    sqlite3* handle() { return db_; }
    // Serialises this process's use of the connection.
    std::mutex& mutex() { return mutex_; }
    bool exec(std::string_view sql);
    // As exec, with SQLite's result.
    int run(std::string_view sql);
    // The bytes the database takes on the disk: the file and its write-ahead log.
    std::uint64_t diskBytes() const;
    // After a write: when the write-ahead log this connection writes was removed, moves what it
    // holds into the file and starts a new one, so that readers opening the database now find
    // every entry. Call with the mutex held.
    void keepWriteAheadLog();

    // The platform's error code for an SQLite result of this connection: 112 disk full, 19 a
    // read-only file system, 3 a missing folder, 5 anything refused.
    std::uint32_t errorFor(int result) const;
    // After a statement failed with `result`: when the file is damaged, moves it aside, starts
    // a fresh one and returns true (the caller may try again). Call with the mutex held.
    bool recoverIfDamaged(int result);
    // Replaces the published copy with the database as it is now. Call after each committed
    // write, with the mutex held; false (and the old copy stays) when it could not be written.
    bool publish();
    // True when the last publish() failed.
    bool publicationBehind() const { return publicationBehind_; }

    // True when the file this connection reads is no longer at its name: removed, moved aside
    // or replaced by another process.
    bool replacedOrRemoved() const;
    // False when the file this connection reads holds something other than an SQLite database
    // (it was overwritten while open: a connection whose pages are cached, or still in the
    // write-ahead log, would not notice it).
    bool headedAsDatabase() const;
    // Moves the file this connection reads aside as damaged, when it is still at its name (another
    // process may have moved it aside and started a new one already). True when it is no longer
    // at its name.
    bool moveAsideDamaged();

private:
    Database() = default;
    bool openOwned();
    bool openPublished();
    bool openSnapshot();
    // Opens the file `opened_` names into held_ (creating it when asked), before SQLite opens it.
    void holdFile(bool create);
    // After SQLite opened `opened_`: whether the name still leads to the held file, so that the
    // file SQLite opened is the held one.
    bool heldFileAtName() const;
    // For a connection whose file was moved aside or replaced: on closing, it removes no file
    // by its name (the -wal there may be a newer database's).
    void leaveFilesOnClose();
    bool copyInto(const std::filesystem::path& target);
    void close();

    DatabaseFile file_;
    std::filesystem::path opened_;
    // The file this connection reads, open for as long as the connection is: it stays the
    // connection's file while the name may come to lead to another one, and its header is read
    // through it. It is closed only after SQLite's connection: closing any descriptor of a file
    // drops every record lock this process holds on it, and a connection without its shared lock
    // looks to other processes like no connection at all; the last of them to end would take the
    // -wal and -shm still in use here for unused and remove them.
    socket_io::Descriptor held_;
    sqlite3* db_ = nullptr;
    bool readOnly_ = false;
    bool snapshot_ = false;
    std::uint32_t writeRefusal_ = 5;
    bool publicationBehind_ = false;
    std::mutex mutex_;
};

// One connection per database file and process; a new one when the system root changes, or
// when the file the connection reads was replaced (a published copy, or a damaged file moved
// aside by another process) or removed. An owned file overwritten with something else is moved
// aside at once and a new one started.
std::shared_ptr<Database> connectionFor(const DatabaseFile& file);

// A write transaction (BEGIN IMMEDIATE … COMMIT), rolled back unless committed.
class WriteTransaction {
public:
    explicit WriteTransaction(Database& db);
    ~WriteTransaction();
    bool begun() const { return begun_; }
    // SQLITE_OK or the error of BEGIN.
    int beginResult() const { return beginResult_; }
    // SQLITE_OK or the error of COMMIT.
    int commit();

private:
    Database& db_;
    bool begun_ = false;
    bool done_ = false;
    int beginResult_ = SQLITE_OK;
};

}  // namespace platform::sqlite
