#pragma once
// Converting registers made by earlier builds to the current schema version.
//
// Files of schema version 0 and 1 declared their text columns and indexes
// with the collation JETTEXT, which only this program knew: other SQLite
// tools could not check, sort or change them. upgradeRegister() rebuilds
// every table that uses it with SQLite's built-in NOCASE collation, the way
// SQLite's own documentation prescribes for schema changes ALTER TABLE
// cannot make (new table, copy, drop, rename, indexes anew), keeping every
// row, every RecordPtr and the tables' counters, and marks the file with
// the current schema version (PRAGMA user_version).
//
// The whole conversion is one immediate write transaction: a copy of the
// program killed half-way leaves the old register as it was (SQLite rolls
// the journal back), and two copies opening the same old register wait for
// each other; the second finds the work done and changes nothing. Cost:
// one pass over the tables' rows and a rebuild of their indexes, about a
// second for 10^5 documents (bench/store_bench.cpp); a current register
// costs one query of the schema table.

namespace store {

struct Connection;

/// Converts the register on `c` if it still uses the old collation.
/// Returns true when this call converted it. Raises EngineError; nothing
/// is changed then.
bool upgradeRegister(Connection& c);

} // namespace store
