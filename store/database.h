#pragma once
// A Database is one user's open connection to a register file. Several
// Database objects, in one process or in several, may hold the same file at
// once; each is a separate user for record locking (Recordset::edit).
//
// The connection is shared, read-write and never exclusive. The file keeps
// SQLite's rollback journal (WAL does not work on shared network folders,
// where registers are often kept), write transactions start with BEGIN
// IMMEDIATE, and a busy file is waited for a bounded time before an
// EngineError(DatabaseBusy) is raised.
//
// Threading: a Database and its recordsets are used on the thread that
// opened them.

#include "engine_error.h"

#include <QString>
#include <QVariantList>
#include <memory>

namespace store {

class Recordset;
struct Connection;

enum class RecordsetType {
    Table = 1,    ///< whole table, seekable by index, updatable
    Dynaset = 2,  ///< updatable query result, rows read when needed
    Snapshot = 4, ///< read-only query result
};

class Database {
public:
    /// Opens an existing register file. Never creates one. Raises
    /// EngineError for a missing file, a file that is not a register, or a
    /// file or folder that cannot be written.
    static Database open(const QString& fileName);

    /// Creates a new, empty register file with the schema (store/schema.h).
    /// Raises EngineError if the file exists or cannot be written.
    static Database create(const QString& fileName);

    Database() = default; ///< an unopened handle; any use raises ObjectClosed

    /// Opens a recordset over a table name or a statement in the program's
    /// SQL dialect (see dialect.h). Table type needs a table name. Values
    /// for the statement's parameters ("?" or "?N") are bound, never
    /// spliced into the text; a requery binds them again.
    std::shared_ptr<Recordset> openRecordset(const QString& source,
                                             RecordsetType type = RecordsetType::Dynaset,
                                             const QVariantList& parameters = {}) const;

    /// Runs a statement that returns no rows (used by tools and tests).
    void execute(const QString& statement) const;

    /// SQLite's integrity check of the whole file: "ok", or what is wrong.
    QString integrityCheck() const;

    QString fileName() const;
    bool isOpen() const { return conn_ != nullptr; }

    /// The connection behind this handle; internal to the engine layer.
    const std::shared_ptr<Connection>& connection() const;

private:
    friend class Recordset;
    explicit Database(std::shared_ptr<Connection> c) : conn_(std::move(c)) {}
    std::shared_ptr<Connection> conn_;
};

} // namespace store
