#pragma once
// The copy and the check of a backup of a register file, made while its
// users go on working: the copy never holds the register's read lock for
// long, so their changes (which wait for every reader to finish) never
// wait for the whole copy, however many gigabytes of files it holds.
//
// The copy is a new file opened on a connection of its own, with the
// register attached to it for reading; its tables are made from the
// register's own declarations, then filled in two phases:
//   1. the stored files' chunks (document_files.h), which are written once
//      and never changed, in short transactions of about 0.1 s each,
//      repeated until a pass finds none added meanwhile; other users'
//      changes get in between them;
//   2. one transaction for the rest, as one moment of the register: every
//      other table whole (rows copied as they are stored, a text index's
//      tables too, no index kept and no trigger fired) and the chunks added
//      since the first phase, with the row count of every table at that
//      moment but the chunks'. This phase holds the read lock for as long
//      as the documents, their history and the files' records take to
//      copy, never for the files' bytes: 0.26 s for 10^5 documents with
//      10^5 files (5.35 GB), where another program's change waited at most
//      0.34 s during the whole backup of 84 s (bench/files_bench.cpp).
// Chunks of contents gone by that moment are then taken out of the copy.
// Then indexes, triggers and views are made (an index built once, sorted,
// costs less than one kept up to date row by row while the register is
// held) and the file keeps the rollback journal.
// The check reads the new file on a connection of its own: its integrity,
// its row counts, and every stored file against its size and SHA-256.

#include "../backend.h"
#include "../connection.h"

#include <QString>
#include <utility>
#include <vector>

namespace store {

/// Copies the register file open on `source` into `target`, an empty file
/// the caller has just made (createNewFile), in the two phases above, in
/// rollback-journal mode whatever the source's, and returns the row count
/// of every table at the moment copied (the second phase). Raises EngineError naming the register
/// or the new file and the cause: err::NotSupported for a source that is not a register file or
/// whose connection is in a transaction of its own (its changes would be copied before they are
/// stored). What it wrote into `target` is left for the caller to remove.
TableRows backUpRegisterFile(Connection& source, const QString& target);

/// Stores a backup of `source` as the register file `target`, already
/// checked to be a place for one: written under a temporary name beside it
/// by the source's backend (Backend::backUp), opened as a register and
/// checked against the row counts of the moment copied, flushed, and named
/// `target` (replacing a file there only when `replace`). Raises
/// EngineError; then nothing of the backup's is left behind.
BackupOutcome storeBackupFile(const Database& source, const QString& target, bool replace);

/// What the check of a register file found.
struct CopyCheck {
    QString integrity; ///< SQLite's integrity check: "ok", or what is wrong
    TableRows rows;    ///< every table (SQLite's counter table too) and its rows
};

/// Checks the register file `file` that nobody else uses (a copy just
/// written, still in the system's file cache): its integrity, the rows of
/// every table and, when it is whole, every stored file against its hash,
/// read on a connection of its own that maps the file's first 128 MB into
/// memory, which spares a read call per page visited (half the check's
/// time for 10^5 documents). Raises EngineError when it cannot be read,
/// err::FileDamaged naming a stored file that differs.
CopyCheck checkRegisterFile(const QString& file);

} // namespace store
