#pragma once
// stored_date(VALUE) on an SQLite connection: the date a date field holds,
// whatever form another program stored it in, as the register's own stored
// text ("2024-05-06", "2024-05-06 07:08:09"), which sorts and compares as
// the dates do; Null for Null and for a value that is no date. It reads
// exactly as the program reads the field (dialect::fromStoredDate), so the
// list's date filters and order agree with the dates it shows.
//
// Like like() it lives on the connection only; nothing in the file refers
// to it.

struct sqlite3;

namespace store {

/// The SQL function's name, for statements.
inline constexpr const char* StoredDateFunction = "stored_date";

/// Installs stored_date() on a connection; raises EngineError(IoError)
/// when SQLite refuses.
void installDateFunction(sqlite3* db);

} // namespace store
