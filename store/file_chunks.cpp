// Staged contents and the filing of files (see file_chunks.h).

#include "file_chunks.h"

#include "connection.h"
#include "document_history.h"
#include "engine_error.h"
#include "transaction.h"

#include <QDateTime>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

namespace store::files {
namespace {

using K = schema::FieldKind;

/// The staged contents each connection of this process holds, so that a
/// sweep on the same connection never takes its own staging for an
/// abandoned one (a reservation does not say whose it is).
std::mutex ownMutex;
std::set<std::pair<const Connection*, qint64>> owned;

int stagedTable(const Connection& c) {
    return c.lockTableNumber(QStringLiteral("FileContents"));
}

/// One row of a statement with its values bound; nothing when there is
/// none.
std::unique_ptr<Statement> firstRow(Connection& c, const QString& sql,
                                    std::initializer_list<QVariant> values) {
    auto st = c.prepare(sql);
    int n = 0;
    for (const QVariant& v : values)
        st->bind(++n, v);
    if (!st->step())
        return nullptr;
    return st;
}

void run(Connection& c, const QString& sql, std::initializer_list<QVariant> values) {
    auto st = c.prepare(sql);
    int n = 0;
    for (const QVariant& v : values)
        st->bind(++n, v);
    st->step();
    st->reset();
}

} // namespace

QString bareName(const QString& name) {
    const qsizetype cut = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    const QString bare = name.mid(cut + 1).trimmed();
    return bare.isEmpty() ? QStringLiteral("file") : bare;
}

bool reserveStaged(Connection& c, qint64 contentPtr) {
    if (!c.reservations().tryLock(stagedTable(c), contentPtr))
        return false;
    const std::lock_guard lock(ownMutex);
    owned.emplace(&c, contentPtr);
    return true;
}

void dropReservation(Connection& c, qint64 contentPtr) noexcept {
    try {
        c.reservations().unlock(stagedTable(c), contentPtr);
    } catch (...) {
        // a reservation that cannot be let go ends with the connection
    }
    const std::lock_guard lock(ownMutex);
    owned.erase({&c, contentPtr});
}

bool ownStaged(const Connection& c, qint64 contentPtr) {
    const std::lock_guard lock(ownMutex);
    return owned.count({&c, contentPtr}) > 0;
}

void discardStaged(const Database& db, qint64 contentPtr) noexcept {
    Connection& c = *db.connection();
    try {
        // The chunks go a batch at a time, each batch in a transaction of
        // its own and only while the content is still no document's.
        const auto last = firstRow(
            c,
            QStringLiteral("SELECT max(\"Seq\") FROM \"FileChunks\" WHERE \"ContentPtr\" = "
                           "?1"),
            {contentPtr});
        const qint64 top = last && !last->columnIsNull(0) ? last->columnInt(0) : -1;
        const qint64 step = stageBatchBytes / chunkBytes * 4;
        for (qint64 from = top - top % step; from >= 0; from -= step) {
            Transaction t(db);
            run(c,
                QStringLiteral(
                    "DELETE FROM \"FileChunks\" WHERE \"ContentPtr\" = ?1 AND \"Seq\" >= "
                    "?2 AND EXISTS (SELECT 1 FROM \"FileContents\" WHERE \"ContentPtr\" "
                    "= ?1 AND \"Complete\" = 0)"),
                {contentPtr, from});
            t.commit();
            std::this_thread::sleep_for(std::chrono::milliseconds(4)); // others' turn
        }
        Transaction t(db);
        run(c,
            QStringLiteral(
                "DELETE FROM \"FileContents\" WHERE \"ContentPtr\" = ?1 AND \"Complete\" "
                "= 0"),
            {contentPtr});
        t.commit();
    } catch (const EngineError&) {
        // Left staged without a holder: the next writer to open the
        // register removes it (removeAbandonedStaging).
    }
    dropReservation(c, contentPtr);
}

void attachStaged(const Database& db, qint64 recordPtr, const QVariant& id,
                  const StagedFile& staged) {
    Connection& c = *db.connection();
    const auto content = firstRow(
        c,
        QStringLiteral(
            "SELECT \"Complete\", \"Sha256\", \"Size\", (SELECT count(*) FROM "
            "\"FileChunks\" k WHERE k.\"ContentPtr\" = ?1), (SELECT sum(length(k.\"Data\")) "
            "FROM \"FileChunks\" k WHERE k.\"ContentPtr\" = ?1) FROM \"FileContents\" "
            "WHERE \"ContentPtr\" = ?1"),
        {staged.contentPtr});
    const QString name = bareName(staged.name);
    if (!content)
        throw EngineError(err::ItemNotFound,
                          QStringLiteral("The file '%1' was removed from the register before it "
                                         "could be attached. Attach it again.")
                              .arg(name));
    const bool complete = content->columnInt(0) != 0;
    const QString sha256 = content->column(1, K::Text, true).toString();
    const qint64 size = content->columnInt(2);
    const qint64 chunks = content->columnInt(3);
    const qint64 stored = content->columnInt(4);
    content->reset();
    // A content is whole when its chunks hold its size (length() reads no
    // chunk's bytes); what is not is never a document's.
    if (stored != size || (size > 0 && chunks == 0) || sha256.size() != 64)
        throw EngineError(err::FileDamaged,
                          QStringLiteral("The file '%1' was not stored whole in the register and "
                                         "was not attached. Attach it again.")
                              .arg(name));
    qint64 contentPtr = staged.contentPtr;
    if (!complete) {
        // Two stagers of the same bytes: the first content filed is kept.
        const auto twin = firstRow(
            c,
            QStringLiteral("SELECT \"ContentPtr\" FROM \"FileContents\" WHERE \"Sha256\" = "
                           "?1 AND \"Size\" = ?2 AND \"Complete\" <> 0 AND \"ContentPtr\" "
                           "<> ?3 ORDER BY \"ContentPtr\" LIMIT 1"),
            {sha256, size, contentPtr});
        if (twin) {
            contentPtr = twin->columnInt(0);
            twin->reset();
            run(c, QStringLiteral("DELETE FROM \"FileContents\" WHERE \"ContentPtr\" = ?1"),
                {staged.contentPtr});
        } else {
            run(c,
                QStringLiteral(
                    "UPDATE \"FileContents\" SET \"Complete\" = 1 WHERE \"ContentPtr\" = "
                    "?1"),
                {contentPtr});
        }
    }
    const QDateTime now = QDateTime::currentDateTime();
    run(c,
        QStringLiteral("INSERT INTO \"DocumentFiles\" (\"RecordPtr\", \"Name\", \"ContentPtr\", "
                       "\"Added\") VALUES (?1, ?2, ?3, ?4)"),
        {recordPtr, name, contentPtr,
         QDateTime(now.date(),
                   QTime(now.time().hour(), now.time().minute(), now.time().second()))});
    historyFile(db, recordPtr, id, true, historyFileText(name, size, sha256));
}

void detachFile(const Database& db, qint64 recordPtr, const QVariant& id, qint64 filePtr) {
    Connection& c = *db.connection();
    const auto file = firstRow(
        c,
        QStringLiteral("SELECT f.\"Name\", c.\"Size\", c.\"Sha256\" FROM \"DocumentFiles\" f LEFT "
                       "JOIN \"FileContents\" c ON c.\"ContentPtr\" = f.\"ContentPtr\" WHERE "
                       "f.\"FilePtr\" = ?1 AND f.\"RecordPtr\" = ?2"),
        {filePtr, recordPtr});
    if (!file)
        return; // removed already, by another user or a tool
    const QString shown =
        historyFileText(file->column(0, K::Text, true).toString(), file->columnInt(1),
                        file->column(2, K::Text, true).toString());
    file->reset();
    historyFile(db, recordPtr, id, false, shown);
    // The register's triggers take the content when no file holds it.
    run(c, QStringLiteral("DELETE FROM \"DocumentFiles\" WHERE \"FilePtr\" = ?1"), {filePtr});
}

} // namespace store::files
