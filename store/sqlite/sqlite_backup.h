#pragma once
// The copy and the check of a backup of a register file. The copy is
// SQLite's online backup from the user's open connection into a new file,
// as one moment of the register: the connection opens a read transaction,
// counts the rows of every table in it and copies every page in one backup
// step inside that same transaction, so the counts and the copy describe
// the same moment. Other users go on reading; their writes wait until the
// copy is done (for at most Connection::busyTimeoutMs, as for any reader).
// The check reads the new file on a connection of its own.
// Cost for 10^5 documents (145 MB): one pass over the pages for the copy,
// written without journal or flush (the caller flushes the file once before
// naming it); the integrity check is the larger part of a backup's time.

#include "../backend.h"
#include "../connection.h"

#include <QString>
#include <utility>
#include <vector>

namespace store {

/// Copies the register file open on `source` into `target`, an empty file
/// the caller has just made (createNewFile), in rollback-journal mode
/// whatever the source's, and returns the row count of every table at the
/// moment copied. Raises EngineError naming the register or the new file
/// and the cause: err::NotSupported for a source that is not a register
/// file or whose connection is in a transaction of its own (its changes
/// would be copied before they are stored). What it wrote into `target`
/// is left for the caller to remove.
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
/// written, still in the system's file cache): its integrity and the rows
/// of every table, read on a connection of its own that maps the file into
/// memory, which spares a read call per page visited (half the check's
/// time for 10^5 documents). Raises EngineError when it cannot be read.
CopyCheck checkRegisterFile(const QString& file);

} // namespace store
