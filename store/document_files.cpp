// Files kept with documents: staging, listing, reading and the text queue
// (see document_files.h; the chunks and the filing in file_chunks.h).

#include "document_files.h"

#include "connection.h"
#include "engine_error.h"
#include "file_chunks.h"
#include "transaction.h"

#include <QCryptographicHash>
#include <QFile>
#include <QIODevice>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace store {
namespace {

using K = schema::FieldKind;
using files::chunkBytes;

[[noreturn]] void tooLarge(const QString& name) {
    throw EngineError(err::FileTooLarge,
                      QStringLiteral("The file '%1' is larger than the %2 MB a document's file "
                                     "may have; it was not attached.")
                          .arg(name)
                          .arg(maxFileBytes >> 20));
}

[[noreturn]] void stopped(const QString& name) {
    throw EngineError(err::Interrupted,
                      QStringLiteral("Storing the file '%1' was stopped before it ended; nothing "
                                     "of it was kept.")
                          .arg(name));
}

/// Reads up to `bytes` from `data`, fewer only at its end.
QByteArray readSome(QIODevice& data, qint64 bytes, const QString& name) {
    QByteArray out(bytes, Qt::Uninitialized);
    qint64 got = 0;
    while (got < bytes) {
        const qint64 n = data.read(out.data() + got, bytes - got);
        if (n < 0)
            throw EngineError(
                err::IoError,
                QStringLiteral("The file '%1' cannot be read: %2.").arg(name, data.errorString()));
        if (n == 0 && (data.atEnd() || !data.waitForReadyRead(-1)))
            break;
        got += n;
    }
    out.truncate(got);
    return out;
}

/// The reader's reservations of contents, apart from the stagers'.
int readerTable(const Connection& c) {
    return c.lockTableNumber(QStringLiteral("FileContents.Text"));
}

StoredFile storedFrom(const Statement& st) {
    StoredFile f;
    f.filePtr = st.columnInt(0);
    f.recordPtr = st.columnInt(1);
    f.contentPtr = st.columnInt(2);
    f.name = st.column(3, K::Text, true).toString();
    f.added = st.column(4, K::Date, true).toDateTime();
    f.size = st.columnInt(5);
    f.sha256 = st.column(6, K::Text, true).toString();
    f.textState = static_cast<TextState>(st.columnInt(7));
    f.textNote = st.column(8, K::Text, true).toString();
    return f;
}

/// What staging writes: the content's row first (reserved before anyone
/// can see it), its chunks in batches, its hash and size last; a failure
/// on the way removes what was written.
class Stager {
public:
    Stager(const Database& db, const QString& name) : db_(db), c_(*db.connection()), name_(name) {
        Transaction t(db_);
        auto st = c_.prepare(
            QStringLiteral("INSERT INTO \"FileContents\" (\"Sha256\", \"Size\", \"Complete\", "
                           "\"TextState\") VALUES ('', 0, 0, 0)"));
        st->step();
        ptr_ = c_.lastInsertKey();
        if (!files::reserveStaged(c_, ptr_))
            throw EngineError(err::RecordLocked,
                              QStringLiteral("The file '%1' could not be reserved.").arg(name_));
        try {
            t.commit();
        } catch (...) {
            files::dropReservation(c_, std::exchange(ptr_, 0)); // no row was kept
            throw;
        }
    }
    ~Stager() {
        if (ptr_)
            files::discardStaged(db_, ptr_);
    }
    Stager(const Stager&) = delete;
    Stager& operator=(const Stager&) = delete;

    /// Writes the chunks in one short transaction.
    void write(const std::vector<QByteArray>& chunks) {
        if (!insert_)
            insert_ = c_.prepare(
                QStringLiteral("INSERT INTO \"FileChunks\" (\"ContentPtr\", \"Seq\", \"Data\") "
                               "VALUES (?1, ?2, ?3)"));
        Transaction t(db_);
        for (const QByteArray& chunk : chunks) {
            insert_->bind(1, ptr_);
            insert_->bind(2, seq_++);
            insert_->bind(3, chunk);
            insert_->step();
            insert_->reset();
        }
        t.commit();
        // A moment between the parts, in which another user's change
        // waiting for the register gets its turn (see waitForLocks() of
        // sqlite/sqlite_connection.h; a server queues its writers itself).
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }

    /// Gives the content its hash and size, or hands over to a complete
    /// content of the same bytes (removing this one): the staged file.
    StagedFile finish(const QString& sha256, qint64 size) {
        insert_.reset();
        StagedFile staged{ptr_, name_, size, sha256};
        {
            Transaction t(db_);
            auto same = c_.prepare(QStringLiteral(
                "SELECT \"ContentPtr\" FROM \"FileContents\" WHERE \"Sha256\" = ?1 AND \"Size\" = "
                "?2 AND \"Complete\" <> 0 ORDER BY \"ContentPtr\" LIMIT 1"));
            same->bind(1, sha256);
            same->bind(2, size);
            if (same->step()) {
                staged.contentPtr = same->columnInt(0);
                same->reset();
                t.commit();
                return staged; // the destructor removes this copy
            }
            auto done = c_.prepare(QStringLiteral(
                "UPDATE \"FileContents\" SET \"Sha256\" = ?1, \"Size\" = ?2 WHERE \"ContentPtr\" "
                "= ?3"));
            done->bind(1, sha256);
            done->bind(2, size);
            done->bind(3, ptr_);
            done->step();
            t.commit();
        }
        ptr_ = 0; // kept: the stager's now
        return staged;
    }

private:
    Database db_;
    Connection& c_;
    QString name_;
    qint64 ptr_ = 0;
    qint64 seq_ = 0;
    std::unique_ptr<Statement> insert_;
};

} // namespace

StagedFile stageFile(const Database& db, QIODevice& data, const QString& name,
                     const FileProgress& progress) {
    const QString bare = files::bareName(name);
    db.connection()->requireWritable();
    const qint64 total = data.isSequential() ? -1 : data.size() - data.pos();
    if (total > maxFileBytes)
        tooLarge(bare);
    Stager stager(db, bare);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    qint64 done = 0;
    for (bool end = false; !end;) {
        // Read outside the transaction, so that a slow disk holds nobody up.
        std::vector<QByteArray> batch;
        qint64 bytes = 0;
        while (!end && bytes < files::stageBatchBytes) {
            QByteArray chunk = readSome(data, chunkBytes, bare);
            end = chunk.size() < chunkBytes;
            if (chunk.isEmpty())
                break;
            bytes += chunk.size();
            if (done + bytes > maxFileBytes)
                tooLarge(bare);
            hash.addData(chunk);
            batch.push_back(std::move(chunk));
        }
        if (!batch.empty())
            stager.write(batch);
        done += bytes;
        if (progress && !progress(done, total < 0 ? done : total))
            stopped(bare);
    }
    return stager.finish(QString::fromLatin1(hash.result().toHex()), done);
}

StagedFile stageFile(const Database& db, const QString& path, const FileProgress& progress) {
    const QString bare = files::bareName(path);
    // Opened without following a link and without waiting on a pipe; only
    // a regular file is read.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        throw EngineError(err::IoError,
                          e == ELOOP ? QStringLiteral("'%1' is a link; only a file itself can be "
                                                      "attached. Attach the file it points to.")
                                           .arg(path)
                                     : QStringLiteral("The file '%1' cannot be opened: %2.")
                                           .arg(path, QString::fromLocal8Bit(std::strerror(e))));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw EngineError(
            err::IoError,
            QStringLiteral("The file '%1' cannot be opened: %2.").arg(path, file.errorString()));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw EngineError(err::IoError,
                          QStringLiteral("'%1' is not a file (a folder, a device or a pipe); "
                                         "only a file can be attached.")
                              .arg(path));
    if (st.st_size > maxFileBytes)
        tooLarge(bare);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return stageFile(db, file, bare, progress);
}

void releaseStaged(const Database& db, const StagedFile& staged) noexcept {
    if (!db.isOpen() || staged.contentPtr == 0)
        return;
    Connection& c = *db.connection();
    if (files::ownStaged(c, staged.contentPtr))
        files::discardStaged(db, staged.contentPtr);
}

int removeAbandonedStaging(const Database& db) {
    Connection& c = *db.connection();
    if (c.readOnly())
        return 0;
    std::vector<qint64> staged;
    {
        auto st = c.prepare(
            QStringLiteral("SELECT \"ContentPtr\" FROM \"FileContents\" WHERE \"Complete\" = 0"));
        while (st->step())
            staged.push_back(st->columnInt(0));
    }
    int removed = 0;
    for (const qint64 ptr : staged) {
        // A reservation marks a stager still at work (or a program that
        // still has it staged); the content of one that is gone is taken
        // over here and removed.
        if (files::ownStaged(c, ptr) || !files::reserveStaged(c, ptr))
            continue;
        files::discardStaged(db, ptr);
        ++removed;
    }
    return removed;
}

std::vector<StoredFile> documentFiles(const Database& db, qint64 recordPtr) {
    auto st = db.connection()->prepare(QStringLiteral(
        "SELECT f.\"FilePtr\", f.\"RecordPtr\", f.\"ContentPtr\", f.\"Name\", f.\"Added\", "
        "c.\"Size\", c.\"Sha256\", c.\"TextState\", c.\"TextNote\" FROM \"DocumentFiles\" f JOIN "
        "\"FileContents\" c ON c.\"ContentPtr\" = f.\"ContentPtr\" WHERE f.\"RecordPtr\" = ?1 "
        "ORDER BY f.\"Name\", f.\"FilePtr\""));
    st->bind(1, recordPtr);
    std::vector<StoredFile> out;
    while (st->step())
        out.push_back(storedFrom(*st));
    return out;
}

void readFile(const Database& db, const StoredFile& file, QIODevice& out,
              const FileProgress& progress) {
    Connection& c = *db.connection();
    const auto gone = [&] {
        return EngineError(err::ItemNotFound,
                           QStringLiteral("The file '%1' is no longer in the register: it was "
                                          "removed meanwhile.")
                               .arg(file.name));
    };
    const auto damaged = [&](const QString& why) {
        return EngineError(err::FileDamaged,
                           QStringLiteral("The file '%1' is damaged in the register (%2); it is "
                                          "not shown. Restore the register from a backup to get "
                                          "it back.")
                               .arg(file.name, why));
    };
    auto head = c.prepare(QStringLiteral(
        "SELECT \"Size\", \"Sha256\" FROM \"FileContents\" WHERE \"ContentPtr\" = ?1 AND (?2 = 0 "
        "OR EXISTS (SELECT 1 FROM \"DocumentFiles\" WHERE \"FilePtr\" = ?2 AND \"ContentPtr\" = "
        "?1))"));
    const auto present = [&] {
        head->bind(1, file.contentPtr);
        head->bind(2, file.filePtr);
        const bool there = head->step();
        return there;
    };
    if (!present())
        throw gone();
    const qint64 size = head->columnInt(0);
    const QByteArray sha256 = head->column(1, K::Text, true).toString().toLatin1();
    head->reset();

    // One short read per chunk: a file of any size is never whole in
    // memory, and no reader holds the register for long.
    auto chunk = c.prepare(QStringLiteral(
        "SELECT \"Data\" FROM \"FileChunks\" WHERE \"ContentPtr\" = ?1 AND \"Seq\" = ?2"));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    qint64 done = 0;
    for (qint64 seq = 0; done < size; ++seq) {
        chunk->bind(1, file.contentPtr);
        chunk->bind(2, seq);
        if (!chunk->step()) {
            if (!present())
                throw gone();
            head->reset();
            throw damaged(QStringLiteral("a part of it is missing"));
        }
        const QByteArray bytes = chunk->column(0, K::Data, true).toByteArray();
        chunk->reset();
        done += bytes.size();
        if (done > size)
            throw damaged(QStringLiteral("it is longer than it was"));
        hash.addData(bytes);
        if (out.write(bytes) != bytes.size())
            throw EngineError(err::IoError, QStringLiteral("The file '%1' cannot be written: %2.")
                                                .arg(file.name, out.errorString()));
        if (progress && !progress(done, size))
            throw EngineError(err::Interrupted,
                              QStringLiteral("Reading the file '%1' was stopped before it ended.")
                                  .arg(file.name));
    }
    if (hash.result().toHex() != sha256)
        throw damaged(QStringLiteral("its bytes differ from those it was stored with"));
}

std::optional<StoredFile> nextFileToRead(const Database& db) {
    Connection& c = *db.connection();
    auto st = c.prepare(QStringLiteral(
        "SELECT (SELECT min(f.\"FilePtr\") FROM \"DocumentFiles\" f WHERE f.\"ContentPtr\" = "
        "c.\"ContentPtr\"), 0, c.\"ContentPtr\", '', NULL, c.\"Size\", c.\"Sha256\", "
        "c.\"TextState\", c.\"TextNote\" FROM \"FileContents\" c WHERE c.\"TextState\" = 0 AND "
        "c.\"Complete\" <> 0 AND c.\"ContentPtr\" > ?1 ORDER BY c.\"ContentPtr\" LIMIT 20"));
    auto holder = c.prepare(QStringLiteral(
        "SELECT \"RecordPtr\", \"Name\", \"Added\" FROM \"DocumentFiles\" WHERE \"FilePtr\" = ?1"));
    for (qint64 after = 0;;) {
        std::vector<StoredFile> batch;
        st->bind(1, after);
        while (st->step())
            batch.push_back(storedFrom(*st));
        if (batch.empty())
            return std::nullopt;
        for (StoredFile& f : batch) {
            after = f.contentPtr;
            if (!c.reservations().tryLock(readerTable(c), f.contentPtr))
                continue; // another reader's
            // Named as the first file that holds it, for its kind.
            holder->bind(1, f.filePtr);
            if (holder->step()) {
                f.recordPtr = holder->columnInt(0);
                f.name = holder->column(1, K::Text, true).toString();
                f.added = holder->column(2, K::Date, true).toDateTime();
                holder->reset();
            }
            return f;
        }
    }
}

int retryFilesWithoutReader(const Database& db) {
    Connection& c = *db.connection();
    Transaction t(db);
    auto count =
        c.prepare(QStringLiteral("SELECT count(*) FROM \"FileContents\" WHERE \"TextState\" = ?1"));
    count->bind(1, static_cast<int>(TextState::NoReader));
    const int found = count->step() ? static_cast<int>(count->columnInt(0)) : 0;
    count->reset();
    if (found == 0)
        return 0;
    auto st = c.prepare(QStringLiteral("UPDATE \"FileContents\" SET \"TextState\" = ?1, "
                                       "\"TextNote\" = NULL WHERE \"TextState\" = ?2"));
    st->bind(1, static_cast<int>(TextState::Pending));
    st->bind(2, static_cast<int>(TextState::NoReader));
    st->step();
    t.commit();
    return found;
}

void storeFileText(const Database& db, qint64 contentPtr, TextState state, const QString& text) {
    Connection& c = *db.connection();
    {
        Transaction t(db);
        auto st = c.prepare(QStringLiteral("UPDATE \"FileContents\" SET \"TextState\" = ?1, "
                                           "\"Text\" = ?2, \"TextNote\" = ?3 WHERE \"ContentPtr\" "
                                           "= ?4"));
        const bool words = state == TextState::Extracted;
        // A NUL read from a file ends no text here (a server cannot store it).
        const QString kept = QString(text).remove(QChar(0));
        st->bind(1, static_cast<int>(state));
        st->bind(2, words ? QVariant(kept) : QVariant());
        st->bind(3, words ? QVariant() : QVariant(kept));
        st->bind(4, contentPtr);
        st->step();
        t.commit();
    }
    c.reservations().unlock(readerTable(c), contentPtr);
}

} // namespace store
