#include "platform/linux/sqlite_database.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <thread>

#include "platform/linux/socket_io.h"
#include "platform/win_error.h"

namespace platform::sqlite {

namespace {

constexpr int kBusyTimeoutMilliseconds = 10'000;
constexpr mode_t kOwnerOnly = 0600;
constexpr mode_t kEveryoneReads = 0644;

bool isDamage(int result) {
    const int primary = result & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

std::filesystem::path withSuffix(const std::filesystem::path& file, std::string_view suffix) {
    auto path = file;
    path += std::string(suffix);
    return path;
}

// "file:" URI of a path for sqlite3_open_v2, with the characters URIs reserve escaped.
std::string fileUri(const std::filesystem::path& path, std::string_view parameters) {
    std::string uri = "file:";
    for (const char c : path.string()) {
        if (c == '%' || c == '?' || c == '#') {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
            uri += escaped;
        } else {
            uri += c;
        }
    }
    return uri + "?" + std::string(parameters);
}

std::string damagedName(const std::filesystem::path& file) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, ".damaged-%Y%m%d-%H%M%S", &local);
    std::string name = file.string() + stamp;
    std::error_code error;
    for (int n = 2; std::filesystem::exists(name, error); ++n) name = file.string() + stamp + "-" + std::to_string(n);
    return name;
}

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

std::optional<FileIdentity> identityOf(const std::filesystem::path& file) {
    struct stat facts{};
    if (::stat(file.c_str(), &facts) != 0) return std::nullopt;
    return FileIdentity{facts.st_dev, facts.st_ino};
}

std::optional<FileIdentity> identityOf(const socket_io::Descriptor& fd) {
    struct stat facts{};
    if (!fd.valid() || ::fstat(fd.get(), &facts) != 0) return std::nullopt;
    return FileIdentity{facts.st_dev, facts.st_ino};
}

// Moving a file aside takes this long at most; a lock held longer is not waited for.
constexpr auto kAsideLockWait = std::chrono::seconds(5);

// The lock under which processes move the database aside, one at a time; invalid when it could
// not be taken in time.
socket_io::Descriptor asideLock(const std::filesystem::path& file) {
    socket_io::Descriptor lock(::open(withSuffix(file, ".aside-lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                                      kOwnerOnly));
    const auto deadline = std::chrono::steady_clock::now() + kAsideLockWait;
    while (lock.valid() && ::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() > deadline) return {};
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return lock;
}

// Moves the damaged database `damaged` (and its write-ahead log) aside and says so in the system
// log and on standard error: the data in it is kept for whoever wants to rescue it. True, and
// nothing moved, when it is no longer at its name (another process moved it aside, and what is
// at the name now is not this process's to judge). False, and said so, when the file could not be
// moved (an I/O error, a file system that went read-only): it is left in place and nothing is
// started in its stead.
bool moveAside(const std::filesystem::path& file, const std::optional<FileIdentity>& damaged) {
    const auto lock = asideLock(file);
    if (damaged && identityOf(file) != damaged) return true;
    const std::string aside = damagedName(file);
    if (!lock.valid() || ::rename(file.c_str(), aside.c_str()) != 0) {
        const char* reason = lock.valid() ? std::strerror(errno) : "its lock could not be taken";
        ::syslog(LOG_DAEMON | LOG_ERR, "%s is damaged and could not be moved aside (%s); it was left as it is.",
                 file.c_str(), reason);
        std::fprintf(stderr, "%s is damaged and could not be moved aside (%s); it was left as it is.\n", file.c_str(),
                     reason);
        return false;
    }
    std::error_code error;
    if (std::filesystem::exists(withSuffix(file, "-wal"), error)) {
        std::filesystem::rename(withSuffix(file, "-wal"), aside + "-wal", error);
    }
    std::filesystem::remove(withSuffix(file, "-shm"), error);
    ::syslog(LOG_DAEMON | LOG_ERR, "%s was damaged; it was moved aside to %s and a new one was started.", file.c_str(),
             aside.c_str());
    std::fprintf(stderr, "%s was damaged; it was moved aside to %s and a new one was started.\n", file.c_str(),
                 aside.c_str());
    return true;
}

// Whether this process holds `file` open after it was removed (or replaced) at its name.
bool writesRemovedFile(const std::filesystem::path& file) {
    const std::string removed = file.string() + " (deleted)";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        std::error_code unreadable;
        if (std::filesystem::read_symlink(entry.path(), unreadable).string() == removed) return true;
    }
    return false;
}

std::uint64_t sizeOf(const std::filesystem::path& file) {
    struct stat facts{};
    return ::stat(file.c_str(), &facts) == 0 ? static_cast<std::uint64_t>(facts.st_size) : 0;
}

void keepToOwner(const std::filesystem::path& file) {
    for (const char* suffix : {"", "-wal", "-shm"}) ::chmod(withSuffix(file, suffix).c_str(), kOwnerOnly);
}

}  // namespace

Statement::Statement(sqlite3* db, std::string_view sql) {
    if (!db) {
        prepareError_ = SQLITE_MISUSE;  // a connection that could not be opened again
        return;
    }
    prepareError_ = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr);
    if (prepareError_ != SQLITE_OK) statement_ = nullptr;
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

int Statement::step() { return statement_ ? sqlite3_step(statement_) : prepareError_; }

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

std::shared_ptr<Database> Database::open(const DatabaseFile& file) {
    std::shared_ptr<Database> db(new Database);
    db->file_ = file;
    const bool exists = ::access(file.file.c_str(), F_OK) == 0;
    const bool mayWrite = exists ? ::access(file.file.c_str(), R_OK | W_OK) == 0
                                 : ::access(file.file.parent_path().c_str(), W_OK) == 0;
    if (mayWrite) {
        if (db->openOwned()) return db;
        // The write-ahead log was removed while another process holds the database open: the
        // file alone can still be read, as it was at the last checkpoint.
        const std::uint32_t failure = lastError();
        if (failure != kErrorFileCorrupt && std::filesystem::exists(withSuffix(file.file, "-shm")) && db->openSnapshot()) {
            return db;
        }
        setLastError(failure);
        return nullptr;
    }
    db->writeRefusal_ = errno == EROFS ? kErrorWriteProtect : kErrorAccessDenied;
    if (file.published) return db->openPublished() ? db : nullptr;
    setLastError(exists || errno == EROFS ? db->writeRefusal_ : errorFromErrnoAt(ENOENT, file.file.c_str()));
    return nullptr;
}

bool Database::openOwned() {
    // Attempts: a name that led elsewhere once SQLite had opened it, a damaged file moved aside.
    for (int attempt = 0, damaged = 0; attempt < 4 && damaged < 2; ++attempt) {
        close();
        readOnly_ = false;
        snapshot_ = false;
        opened_ = file_.file;
        holdFile(true);
        const int opened = sqlite3_open_v2(file_.file.c_str(), &db_,
                                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
        if (opened != SQLITE_OK) {
            setLastError(errorFor(opened));
            close();
            return false;
        }
        if (!heldFileAtName()) continue;
        sqlite3_busy_timeout(db_, kBusyTimeoutMilliseconds);
        keepToOwner(file_.file);
        // A file overwritten while its write-ahead log held every page reads as sound: its
        // header tells.
        const int prepared =
            !headedAsDatabase()
                ? SQLITE_NOTADB
                : sqlite3_exec(db_, ("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;" + file_.schema).c_str(),
                               nullptr, nullptr, nullptr);
        // A quick look through every page: a file that is not what it should be is found now,
        // before anything is written into it.
        Statement check(db_, "PRAGMA quick_check(1)");
        const int checked = check.step();
        const bool sound = prepared == SQLITE_OK && checked == SQLITE_ROW && check.columnText(0) == "ok";
        if (sound) {
            keepToOwner(file_.file);  // the -wal and -shm files now exist
            return true;
        }
        const int failure = prepared != SQLITE_OK ? prepared : (checked == SQLITE_ROW ? SQLITE_CORRUPT : checked);
        if (!isDamage(failure) || damaged++ > 0 || !moveAsideDamaged()) {
            setLastError(errorFor(failure));
            close();
            return false;
        }
    }
    setLastError(kErrorAccessDenied);
    close();
    return false;
}

void Database::holdFile(bool create) {
    held_.reset(::open(opened_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | (create ? O_CREAT : 0), kOwnerOnly));
}

bool Database::heldFileAtName() const {
    const auto held = identityOf(held_);
    return held && identityOf(opened_) == held;
}

bool Database::replacedOrRemoved() const {
    struct stat facts{};
    if (!held_.valid() || ::fstat(held_.get(), &facts) != 0) return !identityOf(opened_);
    // Once the held file has no name left it was removed, even when a new file at the name got
    // its inode number.
    return facts.st_nlink == 0 || identityOf(opened_) != FileIdentity{facts.st_dev, facts.st_ino};
}

bool Database::headedAsDatabase() const {
    static constexpr char kHeader[16] = "SQLite format 3";
    char header[sizeof kHeader] = {};
    if (!held_.valid()) return true;
    const ssize_t got = ::pread(held_.get(), header, sizeof header, 0);
    return got < static_cast<ssize_t>(sizeof header) || std::memcmp(header, kHeader, sizeof header) == 0;
}

bool Database::moveAsideDamaged() { return moveAside(opened_, identityOf(held_)); }

bool Database::openSnapshot() {
    close();
    readOnly_ = true;
    snapshot_ = true;
    opened_ = file_.file;
    // A copy in memory, marked as a rollback-journal database so that SQLite looks for no
    // write-ahead log: the file as the last checkpoint left it.
    holdFile(false);
    const auto& file = held_;
    struct stat facts{};
    if (!file.valid() || ::fstat(file.get(), &facts) != 0 || !S_ISREG(facts.st_mode)) return false;
    // A file that holds nothing yet (every page still in the removed log) is an empty log.
    if (facts.st_size < 100) {
        if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr) == SQLITE_OK) return true;
        close();
        return false;
    }
    const auto size = static_cast<std::size_t>(facts.st_size);
    auto* bytes = static_cast<unsigned char*>(sqlite3_malloc64(size));
    if (!bytes) return false;
    std::size_t read = 0;
    for (ssize_t got = 1; read < size && got > 0; read += static_cast<std::size_t>(got > 0 ? got : 0)) {
        got = ::pread(file.get(), bytes + read, size - read, static_cast<off_t>(read));
    }
    if (read != size || sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
        sqlite3_free(bytes);
        close();
        return false;
    }
    bytes[18] = 1;
    bytes[19] = 1;
    if (sqlite3_deserialize(db_, "main", bytes, static_cast<sqlite3_int64>(size), static_cast<sqlite3_int64>(size),
                            SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY) != SQLITE_OK) {
        close();
        return false;
    }
    return true;
}

bool Database::openPublished() {
    close();
    readOnly_ = true;
    opened_ = *file_.published;
    // The copy is replaced by renaming: a name that led elsewhere once SQLite had opened it is
    // opened again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        close();
        holdFile(false);
        const int opened = sqlite3_open_v2(fileUri(*file_.published, "immutable=1").c_str(), &db_,
                                           SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_FULLMUTEX, nullptr);
        if (opened != SQLITE_OK) {
            setLastError(errorFor(opened));
            close();
            return false;
        }
        if (heldFileAtName()) return true;
    }
    return true;
}

void Database::close() {
    if (db_) {
        // A connection whose file is no longer at its name removes no file by that name on
        // closing: the -wal and -shm there now are another database's.
        if (!readOnly_ && replacedOrRemoved()) leaveFilesOnClose();
        sqlite3_close_v2(db_);
    }
    db_ = nullptr;
    held_.reset();
}

Database::~Database() { close(); }

bool Database::exec(std::string_view sql) { return run(sql) == SQLITE_OK; }

int Database::run(std::string_view sql) {
    if (!db_) return SQLITE_MISUSE;
    const std::string script(sql);
    return sqlite3_exec(db_, script.c_str(), nullptr, nullptr, nullptr);
}

void Database::leaveFilesOnClose() {
    if (!db_) return;
    int persist = 1;
    sqlite3_file_control(db_, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
}

std::uint64_t Database::diskBytes() const { return sizeOf(file_.file) + sizeOf(withSuffix(file_.file, "-wal")); }

void Database::keepWriteAheadLog() {
    if (readOnly_ || !db_ || !writesRemovedFile(withSuffix(file_.file, "-wal"))) return;
    // What only the removed log holds goes into the file, then a new log is started.
    exec("PRAGMA wal_checkpoint(TRUNCATE)");
    openOwned();
}

std::uint32_t Database::errorFor(int result) const {
    const int systemError = db_ ? sqlite3_system_errno(db_) : 0;
    switch (result & 0xFF) {
        case SQLITE_OK: return kErrorSuccess;
        case SQLITE_FULL: return kErrorDiskFull;
        case SQLITE_READONLY: return systemError == EROFS ? kErrorWriteProtect : kErrorAccessDenied;
        case SQLITE_CANTOPEN: return systemError ? errorFromErrnoAt(systemError, file_.file.c_str()) : kErrorAccessDenied;
        case SQLITE_IOERR: return systemError ? errorFromErrno(systemError) : kErrorGenFailure;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB: return kErrorFileCorrupt;
        default: return kErrorAccessDenied;
    }
}

bool Database::recoverIfDamaged(int result) {
    if (readOnly_ || !isDamage(result)) return false;
    const bool moved = moveAsideDamaged();
    close();
    if (!moved) {
        // Left in place: the connection opens it again as it is, and the caller reports the
        // failure; the next write that finds the damage tries to move it once more.
        holdFile(false);
        if (sqlite3_open_v2(file_.file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
            close();
        } else {
            sqlite3_busy_timeout(db_, kBusyTimeoutMilliseconds);
        }
        return false;
    }
    return openOwned();
}

bool Database::copyInto(const std::filesystem::path& target) {
    // A page-by-page copy into a new file. The copy is made again from the database by the
    // next write, so it keeps no journal and need not reach the disk before it is renamed into
    // place: that spares a flush per write.
    sqlite3* copy = nullptr;
    bool copied = sqlite3_open_v2(target.c_str(), &copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK &&
                  sqlite3_exec(copy, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (copied) {
        sqlite3_backup* backup = sqlite3_backup_init(copy, "main", db_, "main");
        copied = backup && sqlite3_backup_step(backup, -1) == SQLITE_DONE;
        copied = sqlite3_backup_finish(backup) == SQLITE_OK && copied;
    }
    sqlite3_close_v2(copy);
    return copied;
}

bool Database::publish() {
    if (readOnly_ || !file_.published) return true;
    const auto& target = *file_.published;
    if (!socket_io::ensureDirectory(target.parent_path(), 0755)) {
        publicationBehind_ = true;
        return false;
    }
    // Writers in several processes publish one after the other, so that the copy in place is
    // never older than the last write that published.
    socket_io::Descriptor lock(::open(withSuffix(file_.file, ".publish-lock").c_str(),
                                      O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kOwnerOnly));
    if (!lock.valid() || ::flock(lock.get(), LOCK_EX) != 0) {
        publicationBehind_ = true;
        return false;
    }
    static std::atomic<unsigned> counter{0};
    const auto temporary = target.parent_path() /
                           ("." + target.filename().string() + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    ::unlink(temporary.c_str());
    bool written = copyInto(temporary);
    if (written) {
        // Bytes 18 and 19 of the header: 1 marks a rollback-journal database, which a reader
        // opens as immutable without looking for a write-ahead log.
        socket_io::Descriptor copy(::open(temporary.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW));
        const unsigned char legacy[2] = {1, 1};
        written = copy.valid() && ::pwrite(copy.get(), legacy, sizeof legacy, 18) == static_cast<ssize_t>(sizeof legacy) &&
                  ::fchmod(copy.get(), kEveryoneReads) == 0 && ::rename(temporary.c_str(), target.c_str()) == 0;
    }
    if (!written) ::unlink(temporary.c_str());
    publicationBehind_ = !written;
    return written;
}

std::shared_ptr<Database> connectionFor(const DatabaseFile& file) {
    struct Cached {
        pid_t owner = 0;
        std::shared_ptr<Database> db;
    };
    static std::mutex cacheLock;
    static std::map<std::filesystem::path, Cached> cache;
    std::lock_guard lock(cacheLock);
    auto& slot = cache[file.file];
    if (slot.db && slot.owner != getpid()) {
        // Inherited across fork: the connection belongs to the parent. Closing it here could
        // disturb the parent's WAL files, so the child leaves it alone and opens its own.
        new std::shared_ptr<Database>(std::move(slot.db));
    }
    // A connection reads one file: when that file was replaced (a new published copy, a
    // damaged file moved aside) or removed (a test's root was deleted), a new one is opened.
    if (slot.db && slot.db->replacedOrRemoved()) slot.db.reset();
    // An owned file overwritten with something else is damaged, though this connection may
    // still find every page it reads in its cache or its write-ahead log: moved aside at once,
    // so that a fresh one is started as for any damaged file.
    if (slot.db && !slot.db->readOnly() && !slot.db->headedAsDatabase() && slot.db->moveAsideDamaged()) slot.db.reset();
    if (!slot.db) {
        auto db = Database::open(file);
        // A snapshot serves this one caller: the next one looks at the file again.
        if (db && db->snapshot()) return db;
        slot.db = std::move(db);
        slot.owner = getpid();
    }
    return slot.db;
}

WriteTransaction::WriteTransaction(Database& db) : db_(db) {
    beginResult_ = db_.run("BEGIN IMMEDIATE");
    begun_ = beginResult_ == SQLITE_OK;
}

WriteTransaction::~WriteTransaction() {
    if (begun_ && !done_) db_.exec("ROLLBACK");
}

int WriteTransaction::commit() {
    done_ = true;
    if (!begun_) return beginResult_;
    return db_.run("COMMIT");
}

}  // namespace platform::sqlite
