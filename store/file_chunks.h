#pragma once
// The pieces document_files.cpp and the filing share: how contents are cut
// into chunks, the reservations that mark a staged content as its
// stager's, the removal of a staged content in short transactions, and the
// attaching and removing of files inside the filing transaction. Internal
// to the engine layer.
//
// Chunk size: 256 KiB, the fastest of those measured with
// bench/file_store_bench (BM_ChunkRows: 20 MB written in transactions of
// 4 MiB and read back by sequence number, median of three): on a register
// file 60 ms with 256 KiB chunks, 110 ms with 1 MiB, 117 ms with 4 MiB; on
// a server 234, 247 and 440 ms. A staging transaction writes at most
// stageBatchBytes, so the register's write lock is held for a few
// milliseconds at a time.

#include "document_files.h"

#include <QVariant>

namespace store {

class Connection;

namespace files {

inline constexpr qint64 chunkBytes = qint64(256) << 10;
inline constexpr qint64 stageBatchBytes = qint64(4) << 20;

/// The file's name without any folder (either kind of separator); a name
/// that is nothing but a folder becomes "file".
QString bareName(const QString& name);

/// Reserves the staged content `contentPtr` for `c` and remembers it as
/// this connection's own; false when another user holds it.
bool reserveStaged(Connection& c, qint64 contentPtr);
/// Lets the reservation go and forgets it.
void dropReservation(Connection& c, qint64 contentPtr) noexcept;
/// True when `c` staged the content and still holds it.
bool ownStaged(const Connection& c, qint64 contentPtr);

/// Removes a staged content (its chunks a few at a time, then its row)
/// unless a document holds it by now; then lets its reservation go.
void discardStaged(const Database& db, qint64 contentPtr) noexcept;

/// Attaches the staged file to the document inside the open filing
/// transaction, with its history entry. A content another stager stored
/// with the same bytes meanwhile takes its place. Raises EngineError
/// (err::ItemNotFound when the staged content is gone, err::FileDamaged
/// when its chunks do not add up to it).
void attachStaged(const Database& db, qint64 recordPtr, const QVariant& id,
                  const StagedFile& staged);
/// Removes the file `filePtr` from the document inside the open filing
/// transaction, with its history entry; a file the document no longer
/// holds is left alone.
void detachFile(const Database& db, qint64 recordPtr, const QVariant& id, qint64 filePtr);

} // namespace files
} // namespace store
