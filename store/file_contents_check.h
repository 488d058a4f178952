#pragma once
// The check of every stored file in a register that has just been written
// (a copy or a backup): each complete content's chunks are read in order,
// a few at a time, and their bytes compared with the content's stored size
// and SHA-256 (document_files.h), so a copy that lost or changed a byte of
// any file is never taken for a good one. Memory: a few chunks at a time,
// whatever the size of the files.

#include <QString>

namespace store {

class Connection;

/// Checks every complete content in the register open on `c` (in its
/// current transaction, if any); raises EngineError(err::FileDamaged)
/// naming the first file that differs or misses a chunk. Does nothing for
/// a register without stored files.
void checkFileContents(Connection& c);

} // namespace store
