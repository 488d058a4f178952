#pragma once
// A Database is one user's open connection to a register: a register file
// (Veld.MDB, an SQLite file, usually on a shared folder) or a server
// register (a PostgreSQL database, named by a connection URI such as
// "postgresql://user@host/office"). Several Database objects, in one
// process or in several, may hold the same register at once; each is a
// separate user for record locking (Recordset::edit).
//
// The connection is shared and read-write. A write transaction excludes
// every other writer of the register from its start, and a register busy
// with another user's change is waited for a bounded time before an
// EngineError(DatabaseBusy) is raised. Each backend's way of doing so is
// described beside it (sqlite/sqlite_connection.h,
// postgres/pg_connection.h); the windows see no difference.
//
// Threading: a Database and its recordsets are used on the thread that
// opened them; only interrupt() may be called from another thread.

#include "engine_error.h"
#include "query.h"

#include <QString>
#include <QVariantList>
#include <memory>
#include <optional>
#include <vector>

namespace store {

class Recordset;
class Connection;

enum class RecordsetType {
    Table = 1,    ///< whole table, seekable by index, updatable
    Dynaset = 2,  ///< updatable query result, rows read when needed
    Snapshot = 4, ///< read-only query result
};

/// True when `location` names a server register: a PostgreSQL connection
/// URI ("postgresql://..." or "postgres://...").
bool isServerLocation(const QString& location);

/// A register's location as it may be shown or logged: a file or folder
/// name as it is, a server URI without its password (read as libpq reads
/// it). Every message, output and log that names a location uses this.
QString shownLocation(const QString& location);

class Database {
public:
    /// Opens an existing register: a file name, or a server URI (see
    /// isServerLocation). Never creates one. A user who may read but not
    /// change it gets it read only (readOnly()). Raises EngineError for a
    /// missing file, a file or database that is not a register or cannot
    /// be read, or a server that cannot be reached.
    static Database open(const QString& location);

    /// Creates a new, empty register with the schema (store/schema.h): a
    /// new file, or the tables in an empty server database. Raises
    /// EngineError if the file exists or the database holds tables, or when
    /// either cannot be written.
    static Database create(const QString& location);

    Database() = default; ///< an unopened handle; any use raises ObjectClosed

    /// Opens a recordset over a table name or a statement in the program's
    /// SQL dialect (see dialect.h). Table type needs a table name. Values
    /// for the statement's parameters ("?" or "?N") are bound, never
    /// spliced into the text; a requery binds them again.
    std::shared_ptr<Recordset> openRecordset(const QString& source,
                                             RecordsetType type = RecordsetType::Dynaset,
                                             const QVariantList& parameters = {}) const;
    /// A recordset over a query description (query.h), which the backend
    /// writes in its own SQL; a Dynaset or Snapshot, keyed by row id.
    std::shared_ptr<Recordset> openRecordset(const query::Select& query,
                                             RecordsetType type = RecordsetType::Dynaset) const;
    /// The recordset over `query` whose keys (row ids, in its order) were
    /// read already, by readKeys() on this or another connection: nothing
    /// is run to open it, rows are read by key as they are read, and a
    /// requery() runs the query afresh. A row deleted since reads as one
    /// deleted by another user.
    std::shared_ptr<Recordset> openRecordset(const query::Select& query, std::vector<qint64> keys,
                                             RecordsetType type = RecordsetType::Dynaset) const;
    /// The keys of the rows of `query`, in its order, as a recordset over
    /// it would hold them; at most `limit` of them (and of query.limit).
    std::vector<qint64> readKeys(const query::Select& query,
                                 std::optional<int> limit = std::nullopt) const;

    /// Stops the statement running on this Database now, from any thread:
    /// the call running it raises EngineError(err::Interrupted) and the
    /// connection is left as before the statement, but for a transaction
    /// under way, which is lost and is to be rolled back. Does nothing when
    /// no statement runs; one started afterwards runs normally. The caller
    /// keeps this Database open until the call returns.
    void interrupt() const noexcept;

    /// Runs a statement that returns no rows (used by tools and tests).
    void execute(const QString& statement) const;

    /// SQLite's integrity check of the whole file: "ok", or what is wrong.
    QString integrityCheck() const;

    /// The register's file name or server URI (without its password).
    QString location() const;
    bool isOpen() const { return conn_ != nullptr; }
    /// True when this user may only read the register: it was opened for
    /// reading, every change is refused with err::ReadOnly, and no row is
    /// reserved.
    bool readOnly() const;

    /// The connection behind this handle, and a handle on a connection;
    /// internal to the engine layer.
    const std::shared_ptr<Connection>& connection() const;
    static Database onConnection(std::shared_ptr<Connection> c) { return Database(std::move(c)); }

private:
    friend class Recordset;
    explicit Database(std::shared_ptr<Connection> c) : conn_(std::move(c)) {}
    /// A recordset over a description, with its keys read here or given.
    std::shared_ptr<Recordset> openDescribed(const query::Select& query, RecordsetType type,
                                             std::optional<std::vector<qint64>> keys) const;
    std::shared_ptr<Connection> conn_;
};

/// Removes the staged files whose stager has gone (document_files.h) from
/// a register a writer has just opened, and returns it; a failure leaves
/// them to the next writer. Called by every way of opening a register.
Database sweptOfAbandonedStaging(Database db);

} // namespace store
