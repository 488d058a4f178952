// SQLite's online backup of a register file (see sqlite_backup.h).

#include "sqlite_backup.h"

#include "../engine_error.h"
#include "../file_contents_check.h"
#include "../file_identity.h"
#include "journal_mode.h"
#include "sqlite_backend.h"
#include "sqlite_backup_schema.h"
#include "sqlite_connection.h"
#include "template_copy.h"

#include <QStringList>
#include <chrono>
#include <new>
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

/// The copy's connection waits for the register's read lock by polling
/// (pollForLock) from the start of each of its transactions.
class LockPolling {
public:
    explicit LockPolling(SqliteConnection& c) : c_(c) {
        sqlite3_busy_handler(c_.handle(), pollForLock, &started_);
    }
    ~LockPolling() { waitForLocks(c_.handle()); }
    LockPolling(const LockPolling&) = delete;
    LockPolling& operator=(const LockPolling&) = delete;
    void restart() { started_ = std::chrono::steady_clock::now(); }

private:
    SqliteConnection& c_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

/// One transaction of the copy's connection: it reads the register (and
/// holds its read lock) from its first read to its end, and writes the
/// copy. Rolled back unless committed.
class CopyTransaction {
public:
    CopyTransaction(SqliteConnection& c, LockPolling& polling) : c_(c) {
        polling.restart();
        c_.exec(QStringLiteral("BEGIN"));
    }
    ~CopyTransaction() {
        if (open_)
            c_.rollback();
    }
    CopyTransaction(const CopyTransaction&) = delete;
    CopyTransaction& operator=(const CopyTransaction&) = delete;
    void commit() {
        c_.exec(QStringLiteral("COMMIT"));
        open_ = false;
    }

private:
    SqliteConnection& c_;
    bool open_ = true;
};

/// The register attached to the copy's connection as "origin", for as
/// long as this lives.
class Attached {
public:
    Attached(SqliteConnection& c, const QString& file) : c_(c) {
        // Read only, but through a name: never through a link put there
        // since the register was opened.
        requireRegularOrMissing(file);
        SqliteStatement attach(c, QStringLiteral("ATTACH ?1 AS origin"));
        attach.bind(1, realFolderName(file));
        attach.step();
    }
    ~Attached() {
        try {
            c_.exec(QStringLiteral("DETACH origin"));
        } catch (const EngineError&) {
            // the connection closes right after, which lets it go as well
        }
    }
    Attached(const Attached&) = delete;
    Attached& operator=(const Attached&) = delete;

private:
    SqliteConnection& c_;
};

const QString Chunks = QStringLiteral("FileChunks"); // the stored files' bytes (document_files.h)

/// Copies the rows of `table` after `after` (by row id), at most `limit`
/// of them (-1: all); returns how many.
qint64 copyRows(SqliteConnection& c, const QString& table, qint64 after = -1, qint64 limit = -1) {
    const QString name = quoteIdentifier(table);
    SqliteStatement st(c, QStringLiteral("INSERT INTO main.%1 SELECT * FROM origin.%1%2")
                              .arg(name, after < 0 ? QString()
                                                   : QStringLiteral(" WHERE rowid > ?1 "
                                                                    "ORDER BY rowid LIMIT ?2")));
    if (after >= 0) {
        st.bind(1, QVariant(after));
        st.bind(2, QVariant(limit));
    }
    st.step();
    return sqlite3_changes64(c.handle());
}

/// Rows read from the register, held as SQLite's own values until they
/// are written into the copy.
class HeldRows {
public:
    HeldRows() = default;
    ~HeldRows() { clear(); }
    HeldRows(const HeldRows&) = delete;
    HeldRows& operator=(const HeldRows&) = delete;

    /// Keeps the current row of `st` but its first column; returns its size.
    qint64 keep(sqlite3_stmt* st) {
        std::vector<sqlite3_value*> row;
        qint64 bytes = 0;
        for (int i = 1; i < sqlite3_column_count(st); ++i) {
            row.push_back(sqlite3_value_dup(sqlite3_column_value(st, i)));
            if (!row.back()) {
                free(row);
                throw std::bad_alloc();
            }
            bytes += sqlite3_value_bytes(row.back());
        }
        rows_.push_back(std::move(row));
        return bytes;
    }
    bool empty() const { return rows_.empty(); }
    const std::vector<std::vector<sqlite3_value*>>& rows() const { return rows_; }
    void clear() {
        for (auto& row : rows_)
            free(row);
        rows_.clear();
    }

private:
    static void free(std::vector<sqlite3_value*>& row) {
        for (sqlite3_value* v : row)
            sqlite3_value_free(v);
    }
    std::vector<std::vector<sqlite3_value*>> rows_;
};

/// A statement of the copy's connection, run by hand: for values bound and
/// read as SQLite's own.
class RawStatement {
public:
    RawStatement(SqliteConnection& c, const QString& sql) {
        c.check(sqlite3_prepare_v2(c.handle(), sql.toUtf8().constData(), -1, &st_, nullptr), sql);
    }
    ~RawStatement() { sqlite3_finalize(st_); }
    RawStatement(const RawStatement&) = delete;
    RawStatement& operator=(const RawStatement&) = delete;
    sqlite3_stmt* get() const { return st_; }

private:
    sqlite3_stmt* st_ = nullptr;
};

/// The first phase: the stored files' chunks, which are written once and
/// never changed, read in short transactions of at most ReadBytes each,
/// so that other users' changes get in between them, and written into the
/// copy after each, outside it, with a flush: the copy's writes never
/// stall a read that holds the register's lock, and never pile up so many
/// unwritten bytes that another program's flush of its own change waits
/// behind them. Repeated until a pass finds nothing new; returns the last
/// chunk copied.
qint64 copyChunks(SqliteConnection& c, LockPolling& polling) {
    constexpr qint64 ReadBytes = qint64(16) << 20;
    c.exec(QStringLiteral("PRAGMA main.synchronous = NORMAL"));
    qint64 last = 0;
    HeldRows held;
    for (;;) {
        {
            CopyTransaction t(c, polling);
            RawStatement read(c, QStringLiteral("SELECT rowid, * FROM origin.%1 WHERE rowid > ?1 "
                                                "ORDER BY rowid")
                                     .arg(Chunks));
            sqlite3_bind_int64(read.get(), 1, last);
            qint64 bytes = 0;
            int rc = SQLITE_ROW;
            while (bytes < ReadBytes && (rc = sqlite3_step(read.get())) == SQLITE_ROW) {
                last = sqlite3_column_int64(read.get(), 0);
                bytes += held.keep(read.get());
            }
            if (rc != SQLITE_ROW && rc != SQLITE_DONE)
                c.raise(rc, QStringLiteral("reading the stored files"));
            t.commit();
        }
        if (held.empty())
            break;
        CopyTransaction t(c, polling);
        QStringList marks;
        for (size_t i = 1; i <= held.rows().front().size(); ++i)
            marks << QStringLiteral("?%1").arg(i);
        RawStatement write(c, QStringLiteral("INSERT INTO main.%1 VALUES (%2)")
                                  .arg(Chunks, marks.join(QStringLiteral(", "))));
        for (const auto& row : held.rows()) {
            for (size_t i = 0; i < row.size(); ++i)
                sqlite3_bind_value(write.get(), static_cast<int>(i) + 1, row[i]);
            if (const int rc = sqlite3_step(write.get()); rc != SQLITE_DONE)
                c.raise(rc, QStringLiteral("writing the backup"));
            sqlite3_reset(write.get());
        }
        t.commit(); // flushed: synchronous NORMAL
        held.clear();
    }
    c.exec(QStringLiteral("PRAGMA main.synchronous = OFF"));
    return last;
}

/// Takes out of the copy the chunks copied in the first phase whose
/// content was gone at the moment copied (chunks are never reused, and a
/// content's chunks go only with it).
void dropRemovedChunks(SqliteConnection& c) {
    c.exec(QStringLiteral("DELETE FROM main.%1 WHERE \"ContentPtr\" NOT IN (SELECT "
                          "\"ContentPtr\" FROM main.\"FileContents\")")
               .arg(Chunks));
}

/// The second phase, in one transaction: every other table whole and the
/// chunks added since the first phase, as one moment's register; returns
/// the rows of each table at that moment, the chunks' aside.
TableRows copySnapshot(SqliteConnection& c, LockPolling& polling, const RegisterSchema& schema,
                       const std::vector<QString>& tables, qint64 lastChunk) {
    CopyTransaction t(c, polling);
    if (!(readSchema(c, QStringLiteral("origin")) == schema))
        throw EngineError(err::IoError,
                          QStringLiteral("the register's tables changed while it was copied "
                                         "(a newer copy of the program opened it); back it up "
                                         "again."));
    TableRows rows;
    for (const QString& table : tables) {
        // The chunks added since the first phase; those of contents gone
        // since are taken out afterwards (dropRemovedChunks). Their count
        // is not taken: it would read a page per chunk while the register
        // is held, and every chunk is checked against its content's hash.
        if (table.compare(Chunks, Qt::CaseInsensitive) == 0)
            copyRows(c, Chunks, lastChunk);
        else
            rows.emplace_back(table, copyRows(c, table));
    }
    if (schema.hasTable(QStringLiteral("sqlite_sequence"))) {
        // Rows copied with their numbers moved the copy's counters; the
        // register's own counters may be higher (rows deleted since).
        c.exec(QStringLiteral("DELETE FROM main.sqlite_sequence"));
        rows.emplace_back(QStringLiteral("sqlite_sequence"),
                          copyRows(c, QStringLiteral("sqlite_sequence")));
    }
    t.commit();
    return rows;
}

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
    // Mapped pages count as the program's memory while they are read: the
    // first MaxMapped bytes (a register's documents, most of its pages)
    // are mapped, the stored files' chunks beyond are read.
    constexpr qint64 MaxMapped = qint64(128) << 20;
    c.exec(QStringLiteral("PRAGMA mmap_size = %1").arg(MaxMapped));
    CopyCheck check;
    check.integrity = c.integrityCheck();
    check.rows = countRows(c);
    if (check.integrity == QLatin1String("ok"))
        checkFileContents(c);
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
    LockPolling polling(to);
    TableRows rows;
    RegisterSchema schema;
    {
        const Attached origin(to, from.location());
        {
            CopyTransaction t(to, polling);
            schema = readSchema(to, QStringLiteral("origin"));
            t.commit();
        }
        const std::vector<QString> tables = makeTables(to, schema);
        const qint64 lastChunk = schema.hasTable(Chunks) ? copyChunks(to, polling) : 0;
        rows = copySnapshot(to, polling, schema, tables, lastChunk);
    }
    if (schema.hasTable(Chunks))
        dropRemovedChunks(to);
    dropStagedContents(to, rows);
    finishSchema(to, schema);
    // A new file keeps the rollback journal, whatever the register's mode:
    // a source left in write-ahead-log mode by another tool must not make
    // a backup that cannot be shared.
    keepRollbackJournal(to);
    return rows;
}

} // namespace store
