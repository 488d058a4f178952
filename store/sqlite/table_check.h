#pragma once
// A check, before every row of a register file is read, that its tables
// and their indexes agree. A damaged page can make a table read as shorter
// than it is without SQLite reporting any error (the rows behind it are
// simply not found), while the indexes, on other pages, still list them: a
// reader walking the table, or fetching rows by the keys an index gave,
// would then leave rows out and report success. Counting each table and
// each of its indexes inside the reader's own transaction finds that.
// Cost: one pass over every table and index (about as much again as the
// reads it guards for a whole-register export).

namespace store {

class SqliteConnection;

/// Raises EngineError(err::NotADatabase) naming the file, the table and the
/// index when a table's row count differs from an index's entries. Run it
/// inside the transaction whose reads it guards.
void requireTablesAgreeWithIndexes(SqliteConnection& c);

} // namespace store
