#pragma once
// Files kept with a document: the scans, PDFs, images, office files and
// mail a document's paper came as. Any number per document, on a register
// file and on a server alike, in three tables of the register, so that a
// backup, a copy and every stock tool see them with the documents:
//
//   DocumentFiles  FilePtr (counter), RecordPtr (the document), Name (as
//                  attached, no folder), ContentPtr, Added (date and time)
//   FileContents   ContentPtr (counter), Sha256 (64 lower-case hex digits),
//                  Size (bytes), Complete (0 while staged, 1 once a
//                  document holds it), TextState (see TextState), TextNote,
//                  Text (the words read from the file)
//   FileChunks     ChunkPtr (counter), ContentPtr, Seq (0, 1, ...), Data
//                  (binary, chunkBytes each but the last)
//
// The same content is stored once: documents holding the same bytes share
// one FileContents row, found by its Sha256. A content is written before
// the document change that attaches it, in short transactions of its own
// (stageFile), so that nobody waits while a large file is stored; it
// becomes a document's only in the write transaction that files the
// document (fileDocument() with DocumentEntry::attach), and a file leaves a
// document only in that transaction too (DocumentEntry::detach), with a
// history entry for each ("File attached", "File removed": name, size and
// hash). Deleting a document deletes its DocumentFiles rows, and a content
// no row holds any more goes with its chunks, in the same transaction
// (triggers of the register, so a row deleted with a stock tool takes its
// files with it too). Staged content that no document came to hold (an
// editor cancelled, a program killed) is removed: by releaseStaged(), and
// by removeAbandonedStaging() of any writer once its stager has gone
// (each stager reserves its staged row until it lets it go).
//
// Every read checks the bytes against the stored Sha256 and raises
// err::FileDamaged on a difference, so a damaged content is reported and
// never handed out as the file.
//
// Threading: as for Database; the editor and the text reader stage and
// read on worker threads, each with a Database of its own.

#include "database.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class QIODevice;

namespace store {

/// Files larger than this are refused before anything is stored.
inline constexpr qint64 maxFileBytes = qint64(1) << 30; // 1 GiB

/// Where the words of a stored content stand.
enum class TextState {
    Pending = 0,    ///< not read yet (the reader will)
    Extracted = 1,  ///< Text holds the words (may be empty: a blank page)
    Unreadable = 2, ///< the file's text could not be read; TextNote says why
    NoReader = 3,   ///< no reader for it on the machine that tried (no OCR)
};

/// A file a document holds.
struct StoredFile {
    qint64 filePtr = 0;    ///< DocumentFiles' counter
    qint64 recordPtr = 0;  ///< the document's RecordPtr
    qint64 contentPtr = 0; ///< FileContents' counter
    QString name;          ///< as attached, without a folder
    qint64 size = 0;       ///< bytes
    QString sha256;        ///< 64 lower-case hex digits
    QDateTime added;
    TextState textState = TextState::Pending;
    QString textNote; ///< why the text could not be read
};

/// A content written into the register that no document holds yet.
struct StagedFile {
    qint64 contentPtr = 0;
    QString name; ///< the name it is to be attached under
    qint64 size = 0;
    QString sha256;
};

/// Progress of a long read or write: bytes done of `total`. Returning
/// false stops the work, which then raises EngineError(err::Interrupted)
/// and leaves nothing behind.
using FileProgress = std::function<bool(qint64 done, qint64 total)>;

/// Writes the content of `data` (read from its current position to its
/// end) into the register as a staged file to be attached under `name`
/// (its folder, if any, is dropped), in transactions that each hold the
/// register's write lock briefly, and reserves it for this Database. A
/// content stored already (the same SHA-256) is not written again. Raises
/// EngineError: err::FileTooLarge when more than maxFileBytes would be
/// read (before anything is stored), err::ReadOnly, err::IoError for a
/// read that fails; nothing is left staged then.
StagedFile stageFile(const Database& db, QIODevice& data, const QString& name,
                     const FileProgress& progress = {});
/// The same for the file at `path`, opened without following a link; a
/// link, a folder, a device or a pipe is refused naming it (err::IoError),
/// and a file over maxFileBytes before a byte is read.
StagedFile stageFile(const Database& db, const QString& path, const FileProgress& progress = {});

/// Lets a staged file go: removes its content unless a document holds it
/// by now, and ends this Database's reservation of it. Never raises.
void releaseStaged(const Database& db, const StagedFile& staged) noexcept;

/// Removes the staged content whose stager has gone (a program killed or
/// a connection lost); returns how many. Called by writers when they open
/// the register; costs one indexed query when there is none.
int removeAbandonedStaging(const Database& db);

/// The files of the document `recordPtr`, by name.
std::vector<StoredFile> documentFiles(const Database& db, qint64 recordPtr);

/// Writes the content of `file` into `out`, chunk by chunk in short reads,
/// and checks it against its Sha256: raises EngineError(err::FileDamaged)
/// naming the file when the bytes differ or a chunk is missing, and
/// err::ItemNotFound when the file was removed meanwhile. What was written
/// to `out` before a failure is not the file: the caller drops it.
void readFile(const Database& db, const StoredFile& file, QIODevice& out,
              const FileProgress& progress = {});

/// The next content whose text is still to be read, reserved for this
/// Database (another program's reader skips it); nothing when none is
/// left. Complete contents only.
std::optional<StoredFile> nextFileToRead(const Database& db);
/// Makes the contents marked NoReader pending again, for a reader that has
/// what they need (OCR installed since they were tried); returns how many.
int retryFilesWithoutReader(const Database& db);
/// Stores what reading the content's text came to (the text for
/// Extracted, the reason for Unreadable and NoReader) and lets its
/// reservation go.
void storeFileText(const Database& db, qint64 contentPtr, TextState state, const QString& text);

} // namespace store
