#pragma once
// Converting registers made by earlier builds to the current schema version:
// the collation of their text columns (below), and the tables later versions
// added (DocumentHistory, the text index of text_index.h, the tables of
// files and their triggers of file_triggers.h), made where they are
// missing. A file that lost its text index to a tool gets it again:
// made and filled in the same transaction, about two seconds per 10^5
// documents, its progress told to the caller.
//
// Files of schema version 0 and 1 declared their text columns and indexes
// with the collation JETTEXT, which only this program knew: other SQLite
// tools could not check, sort or change them. upgradeRegister() rewrites
// those declarations to SQLite's built-in NOCASE in the file's schema
// table, has SQLite read the schema afresh, rebuilds every index that
// sorts by the new collation (REINDEX), and marks the file with the current
// schema version (PRAGMA user_version). Rows and their RecordPtr numbers
// stay where they are: the table's own b-tree is ordered by row id, which
// no collation touches, so nothing but the text indexes is rewritten, and
// the tables' counters (sqlite_sequence) are not touched at all.
//
// The whole conversion is one immediate write transaction: a copy of the
// program killed half-way leaves the old register as it was (SQLite rolls
// the journal back), and two copies opening the same old register wait for
// each other; the second finds the work done and changes nothing. Cost:
// one rebuild of the text indexes, about half a second for 10^5 documents
// (bench/upgrade_bench.cpp); a current register costs one query of the
// schema table.

#include "../register.h"

namespace store {

class SqliteConnection;

/// Converts the register on `c` if it is of an earlier schema version.
/// Returns true when this call converted it. `progress` is told how the
/// filling of the text index goes. Raises EngineError, also what
/// `progress` raises; nothing is changed then.
bool upgradeRegister(SqliteConnection& c, const OpenProgress& progress = {});

} // namespace store
