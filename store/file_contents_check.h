#pragma once
// The check of every stored file in a register that has just been written
// (a copy or a backup): each complete content's chunks are read in order,
// a few at a time, and their bytes compared with the content's stored size
// and SHA-256 (document_files.h), so a copy that lost or changed a byte of
// any file is never taken for a good one. Memory: a few chunks at a time,
// whatever the size of the files.

#include <QString>
#include <utility>
#include <vector>

namespace store {

class Connection;

/// Checks every complete content in the register open on `c` (in its
/// current transaction, if any); raises EngineError(err::FileDamaged)
/// naming the first file that differs or misses a chunk. Does nothing for
/// a register without stored files.
void checkFileContents(Connection& c);

/// Removes from a backup just written on `c` the contents that were being
/// staged at the moment copied (no document holds them, and their stager
/// is not there to finish them), with their chunks, and takes them off the
/// row counts `rows` of that moment, so that the backup is the moment's
/// register as any writer opening it would leave it.
void dropStagedContents(Connection& c, std::vector<std::pair<QString, qint64>>& rows);

} // namespace store
