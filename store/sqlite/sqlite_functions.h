#pragma once
// The register's text comparison on an SQLite connection: like() with the
// desktop engine's patterns, letter case ignored also beyond ASCII (see
// text_match.h), in place of SQLite's own LIKE, and the collation JETTEXT
// that registers of earlier builds declared.
//
// like() lives on each connection and nothing in the file refers to it, so
// other SQLite tools simply use their own LIKE. The collation is installed
// only so that registers of earlier builds can be read while they are
// converted to the built-in NOCASE (schema_upgrade.h).

struct sqlite3;

namespace store {

/// Installs like() (2- and 3-argument forms) and JETTEXT on a connection;
/// raises EngineError(IoError) when SQLite refuses.
void installTextFunctions(sqlite3* db);

} // namespace store
