// SQLite's online backup of a register file (see sqlite_backup.h).

#include "sqlite_backup.h"

#include "../engine_error.h"
#include "journal_mode.h"
#include "sqlite_backend.h"
#include "sqlite_connection.h"

#include <QStringList>
#include <chrono>
#include <limits>
#include <sqlite3.h>
#include <thread>

namespace store {

namespace {

SqliteConnection& registerFile(Connection& c) {
    // Only a register file's connection names the register file backend.
    if (&c.backend() != &registerFileBackend())
        throw EngineError(err::NotSupported,
                          QStringLiteral("'%1' is not a register file.").arg(c.location()));
    return static_cast<SqliteConnection&>(c);
}

/// Waits for the register's read lock by looking every millisecond, up to
/// Connection::busyTimeoutMs. SQLite's own wait looks ever more seldom (up
/// to every 100 ms) and, while another user commits one change after
/// another, keeps missing the short gaps between their commits, where a
/// reader gets in; once in, the copy holds the lock and their commits wait.
int pollForLock(void* started, int) {
    const auto since = std::chrono::steady_clock::now() -
                       *static_cast<std::chrono::steady_clock::time_point*>(started);
    if (since >= std::chrono::milliseconds(Connection::busyTimeoutMs))
        return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 1;
}

/// A read transaction for the copy, ended however the copy ends.
class ReadTransaction {
public:
    explicit ReadTransaction(SqliteConnection& c) : c_(c) {
        auto started = std::chrono::steady_clock::now();
        sqlite3_busy_handler(c_.handle(), pollForLock, &started);
        try {
            c_.beginSnapshot();
        } catch (...) {
            sqlite3_busy_timeout(c_.handle(), Connection::busyTimeoutMs);
            throw;
        }
        sqlite3_busy_timeout(c_.handle(), Connection::busyTimeoutMs);
    }
    ~ReadTransaction() { c_.rollback(); }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    SqliteConnection& c_;
};

/// Finishes a backup however the copy ends; finish() reports its outcome.
class Backup {
public:
    Backup(SqliteConnection& to, SqliteConnection& from) : to_(to) {
        backup_ = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
        if (!backup_)
            to.raise(sqlite3_errcode(to.handle()), QStringLiteral("backup"));
    }
    ~Backup() {
        if (backup_)
            sqlite3_backup_finish(backup_);
    }
    Backup(const Backup&) = delete;
    Backup& operator=(const Backup&) = delete;

    /// Copies every page in one step, so the copy is one moment's file.
    void copyAll() {
        const int rc = sqlite3_backup_step(backup_, -1);
        if (rc != SQLITE_DONE)
            to_.raise(rc, QStringLiteral("backup"));
        const int finished = sqlite3_backup_finish(backup_);
        backup_ = nullptr;
        to_.check(finished, QStringLiteral("backup"));
    }

private:
    SqliteConnection& to_;
    sqlite3_backup* backup_ = nullptr;
};

/// The row count of every table, in the connection's open transaction.
TableRows countRows(SqliteConnection& c) {
    SqliteStatement names(c, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                            "ORDER BY name"));
    QStringList tables;
    while (names.step())
        tables << names.column(0, schema::FieldKind::Text, true).toString();
    TableRows rows;
    for (const QString& table : tables) {
        SqliteStatement count(
            c, QStringLiteral("SELECT count(*) FROM %1").arg(quoteIdentifier(table)));
        count.step();
        rows.emplace_back(table, count.columnInt(0));
        count.reset();
    }
    return rows;
}

} // namespace

CopyCheck checkRegisterFile(const QString& file) {
    SqliteConnection c(file, SQLITE_OPEN_READONLY);
    c.exec(QStringLiteral("PRAGMA mmap_size = %1").arg(std::numeric_limits<int>::max()));
    CopyCheck check;
    check.integrity = c.integrityCheck();
    check.rows = countRows(c);
    return check;
}

TableRows backUpRegisterFile(Connection& source, const QString& target) {
    SqliteConnection& from = registerFile(source);
    if (from.inTransaction())
        throw EngineError(err::NotSupported,
                          QStringLiteral("The register '%1' cannot be backed up while a change "
                                         "is under way on this connection.")
                              .arg(from.location()));
    SqliteConnection to(target, SQLITE_OPEN_READWRITE); // made by the caller, empty
    // No journal and no flush of the new file while it is written: it is
    // nobody's register until it is checked, flushed once and named, and a
    // crash meanwhile leaves only a temporary file, cleared as stale.
    to.exec(QStringLiteral("PRAGMA journal_mode = OFF"));
    to.exec(QStringLiteral("PRAGMA synchronous = OFF"));
    const ReadTransaction moment(from);
    TableRows rows = countRows(from);
    Backup(to, from).copyAll();
    // The copy carries the source's journal mode in its header: a source
    // left in write-ahead-log mode by another tool must not make a backup
    // that cannot be shared.
    keepRollbackJournal(to);
    return rows;
}

} // namespace store
