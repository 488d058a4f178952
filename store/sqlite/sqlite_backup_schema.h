#pragma once
// The schema of a register file as its backup makes it again: every table,
// virtual table, index, trigger and view, from the register's own
// declarations (so a file of an older build is copied as it is), in the
// order a copy of its rows needs: tables before the rows go in; indexes,
// triggers and views after, so that copying the rows fires nothing (a
// text index's own tables are copied as they are instead of being built
// again) and writes only the rows, each index being built once, sorted,
// after the register's read lock is let go.

#include <QString>
#include <vector>

namespace store {

class SqliteConnection;

struct SchemaEntry {
    QString type; ///< "table", "index", "trigger" or "view"
    QString name;
    QString sql; ///< empty for what SQLite makes itself (sqlite_sequence, automatic indexes)
    bool operator==(const SchemaEntry&) const = default;
};

struct RegisterSchema {
    std::vector<SchemaEntry> entries;
    int userVersion = 0;
    bool operator==(const RegisterSchema&) const = default;
    bool hasTable(const QString& name) const;
};

/// The schema of the database `schemaName` ("main" or an attached one)
/// open on `c`, read in its current transaction.
RegisterSchema readSchema(SqliteConnection& c, const QString& schemaName);

/// Makes the tables and virtual tables of `schema` in the empty main
/// database of `c`; returns the tables whose rows are copied: every
/// ordinary table, including the ones a virtual table made for itself
/// (emptied here, so that the source's rows replace what their making
/// wrote), but not SQLite's own.
std::vector<QString> makeTables(SqliteConnection& c, const RegisterSchema& schema);

/// Makes the indexes, triggers and views of `schema` and sets its version,
/// once the rows are in.
void finishSchema(SqliteConnection& c, const RegisterSchema& schema);

} // namespace store
