#pragma once
// The register file's journal. A register lives on shared folders, often
// network ones, where SQLite's write-ahead log does not work (its shared
// memory file needs every user on one machine); the file keeps the rollback
// journal. Another tool may switch it to the write-ahead log; the program
// switches it back when nobody else has it open, and refuses to share it in
// that mode otherwise.

namespace store {

class SqliteConnection;

/// Puts the file open on `c` back into rollback-journal mode when another
/// tool left it in write-ahead-log mode. Raises EngineError naming the file
/// and the reason when other programs have it open in that mode, so it
/// cannot be switched. A connection that may not write is left as it is.
void keepRollbackJournal(SqliteConnection& c);

} // namespace store
