// Files kept with documents, on either backend: attached and removed with
// the filing and recorded in the history, the same bytes stored once, a
// document deleted taking its files, a damaged content reported instead of
// handed out, hostile paths refused, and nothing left behind by a stager
// or a filer killed half-way.

#include "peer.h"
#include "store/connection.h"
#include "store/document_filing.h"
#include "store/document_history.h"
#include "store/file_chunks.h"
#include "store/transaction.h"
#include "support/register_fixture.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>

namespace {

using store::StagedFile;

class DocumentFiles : public RegisterTest {
protected:
    /// Bytes that differ from chunk to chunk, `seed` making each file its own.
    static QByteArray bytes(qint64 size, char seed) {
        QByteArray out(size, Qt::Uninitialized);
        quint32 x = 2463534242U + static_cast<quint32>(seed);
        for (qint64 i = 0; i < size; ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            out[i] = static_cast<char>(x);
        }
        return out;
    }
    QString writeFile(const QString& name, const QByteArray& data) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
        return path;
    }
    StagedFile stage(const QByteArray& data, const QString& name) {
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        return store::stageFile(db, buffer, name);
    }
    /// Files a new document with the ID, attaching `attach`.
    store::FilingResult fileWith(int id, const std::vector<StagedFile>& attach) {
        auto rs = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
        rs->addNew();
        store::DocumentEntry e;
        e.id = QString::number(id);
        e.description = QStringLiteral("doc %1").arg(id);
        e.date = QDate(2026, 1, 2);
        e.attach = attach;
        const store::FilingResult r = store::fileDocument(*rs, e);
        last_ = static_cast<int>(rs->lastModified());
        return r;
    }
    /// The same, expected to be stored; its RecordPtr.
    int file(int id, const std::vector<StagedFile>& attach) {
        const store::FilingResult r = fileWith(id, attach);
        EXPECT_EQ(r.outcome, store::Filing::Stored) << r.failure.toStdString();
        return last_;
    }
    QByteArray read(const store::StoredFile& f) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        store::readFile(db, f, out);
        return out.data();
    }
    qint64 count(const QString& table) {
        auto rs = db.openRecordset(QStringLiteral("SELECT count(*) AS n FROM %1").arg(table),
                                   store::RecordsetType::Snapshot);
        return rs->field(QStringLiteral("n")).toLongLong();
    }
    QStringList fileHistory() {
        return query(QStringLiteral("SELECT * FROM DocumentHistory WHERE Field = 'File' ORDER BY "
                                    "HistoryPtr"),
                     QStringLiteral("Action"));
    }
    static QString sha(const QByteArray& b) {
        return QString::fromLatin1(QCryptographicHash::hash(b, QCryptographicHash::Sha256).toHex());
    }
    QTemporaryDir dir;
    int last_ = 0;
};

TEST_F(DocumentFiles, AttachedOnceStoredOnceRemovedWithTheirHistory) {
    const QByteArray scan = bytes(3 * 1024 * 1024 + 17, 1); // several chunks
    const QByteArray note = bytes(0, 2);                    // an empty file
    const int one = file(1, {store::stageFile(db, writeFile(QStringLiteral("scan.pdf"), scan)),
                             stage(note, QStringLiteral("C:\\mail\\note.txt"))});
    const int two = file(2, {stage(scan, QStringLiteral("copy.pdf"))});

    const auto files = store::documentFiles(db, one);
    ASSERT_EQ(files.size(), 2U);
    EXPECT_EQ(files[0].name, QStringLiteral("note.txt")); // its folder dropped
    EXPECT_EQ(files[1].name, QStringLiteral("scan.pdf"));
    EXPECT_EQ(files[1].size, scan.size());
    EXPECT_EQ(files[1].sha256, sha(scan));
    EXPECT_EQ(read(files[0]), note);
    EXPECT_EQ(read(files[1]), scan);
    EXPECT_EQ(count(QStringLiteral("FileContents")), 2) << "the same bytes are stored once";
    const auto copy = store::documentFiles(db, two);
    ASSERT_EQ(copy.size(), 1U);
    EXPECT_EQ(copy[0].contentPtr, files[1].contentPtr);

    // Removed from the first document, the scan stays with the second.
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents WHERE RecordPtr = ?"),
                               store::RecordsetType::Dynaset, {one});
    rs->edit();
    store::DocumentEntry e;
    e.id = QStringLiteral("1");
    e.description = QStringLiteral("doc 1");
    e.date = QDate(2026, 1, 2);
    e.detach = {files[1].filePtr};
    ASSERT_EQ(store::fileDocument(*rs, e).outcome, store::Filing::Stored);
    EXPECT_EQ(store::documentFiles(db, one).size(), 1U);
    EXPECT_EQ(read(copy[0]), scan);

    // A document deleted, also by anybody's SQL, takes its files along,
    // and a content no document holds goes with its chunks.
    {
        store::Transaction t(db);
        store::historyFilesGoing(db, two);
        db.execute(QStringLiteral("DELETE FROM Documents WHERE RecordPtr = %1").arg(two));
        t.commit();
    }
    EXPECT_EQ(count(QStringLiteral("DocumentFiles")), 1);
    EXPECT_EQ(count(QStringLiteral("FileContents")), 1);
    EXPECT_EQ(count(QStringLiteral("FileChunks")), 0);
    EXPECT_EQ(errorOf([&] { read(copy[0]); }), store::err::ItemNotFound);

    EXPECT_EQ(fileHistory(), (QStringList{"File attached", "File attached", "File attached",
                                          "File removed", "File removed"}));
    EXPECT_EQ(query(QStringLiteral("SELECT * FROM DocumentHistory WHERE Action = 'File removed' "
                                   "ORDER BY HistoryPtr"),
                    QStringLiteral("OldValue"))
                  .value(0),
              QStringLiteral("scan.pdf (%1 bytes, SHA-256 %2)").arg(scan.size()).arg(sha(scan)));
}

TEST_F(DocumentFiles, ADamagedOrMissingPartIsReportedNeverHandedOut) {
    const QByteArray scan = bytes(2 * 1024 * 1024 + 5, 3);
    const int one = file(1, {stage(scan, QStringLiteral("scan.tif"))});
    const store::StoredFile f = store::documentFiles(db, one).at(0);
    store::Connection& c = *db.connection();
    const auto set = [&](const QString& sql, const QVariant& value) {
        auto st = c.prepare(sql);
        st->bind(1, value);
        st->bind(2, f.contentPtr);
        st->step();
    };
    QByteArray flipped = scan.left(store::files::chunkBytes); // one bit off
    flipped[100] = static_cast<char>(flipped[100] ^ 1);
    set(QStringLiteral("UPDATE FileChunks SET Data = ?1 WHERE ContentPtr = ?2 AND Seq = 0"),
        flipped);
    EXPECT_EQ(errorOf([&] { read(f); }), store::err::FileDamaged);
    set(QStringLiteral("DELETE FROM FileChunks WHERE Seq = ?1 AND ContentPtr = ?2"), 1);
    EXPECT_EQ(errorOf([&] { read(f); }), store::err::FileDamaged);
}

TEST_F(DocumentFiles, LinksFoldersAndFilesOverTheLimitAreRefusedLeavingNothing) {
    const QString real = writeFile(QStringLiteral("real.pdf"), bytes(10, 4));
    const QString link = dir.filePath(QStringLiteral("link.pdf"));
    ASSERT_TRUE(QFile::link(real, link));
    const QString huge = dir.filePath(QStringLiteral("huge.pdf"));
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(store::maxFileBytes + 1)); // sparse: costs no disk
    }
    EXPECT_EQ(errorOf([&] { store::stageFile(db, link); }), store::err::IoError);
    EXPECT_EQ(errorOf([&] { store::stageFile(db, dir.path()); }), store::err::IoError);
    EXPECT_EQ(errorOf([&] { store::stageFile(db, huge); }), store::err::FileTooLarge);
    EXPECT_EQ(count(QStringLiteral("FileContents")), 0);
}

TEST_F(DocumentFiles, StagingOfAGoneStagerIsRemovedALiveOneKept) {
    const QByteArray data = bytes(1024 * 1024 + 1, 5);
    StagedFile kept;
    {
        const store::Database other = store::Database::open(location());
        kept = store::stageFile(other, writeFile(QStringLiteral("a.pdf"), data));
        EXPECT_EQ(store::removeAbandonedStaging(db), 0) << "its stager is still at work";
        const StagedFile released = stage(bytes(10, 6), QStringLiteral("b.pdf"));
        store::releaseStaged(db, released);
        EXPECT_EQ(count(QStringLiteral("FileContents")), 1);
    } // `other` closes without letting its file go (a server notices soon after)
    EXPECT_TRUE(eventually([&] { return store::removeAbandonedStaging(db) == 1; }));
    EXPECT_EQ(count(QStringLiteral("FileContents")), 0);
    EXPECT_EQ(count(QStringLiteral("FileChunks")), 0);
    // The released or swept content cannot be attached any more.
    const store::FilingResult r = fileWith(1, {kept});
    EXPECT_EQ(r.outcome, store::Filing::Failed);
    EXPECT_TRUE(r.failure.contains(QStringLiteral("a.pdf"))) << r.failure.toStdString();
    EXPECT_EQ(count(QStringLiteral("Documents")), 0);
}

TEST_F(DocumentFiles, AKilledStagerOrFilerLeavesNeitherFileNorRecord) {
    const QString path = writeFile(QStringLiteral("big.pdf"), bytes(9 * 1024 * 1024, 7));
    {
        Peer stager({QStringLiteral("stage"), location(), path});
        ASSERT_EQ(stager.readLine(), "STAGING");
        EXPECT_GT(count(QStringLiteral("FileChunks")), 0);
        stager.kill();
    }
    {
        Peer filer({QStringLiteral("attach"), location(), QStringLiteral("5"), path});
        ASSERT_EQ(filer.readLine(), "FILING");
        filer.kill();
    }
    // The next writer to open the register clears what the two left.
    const store::Database next = store::Database::open(location());
    EXPECT_EQ(count(QStringLiteral("Documents")), 0);
    EXPECT_EQ(count(QStringLiteral("DocumentFiles")), 0);
    EXPECT_EQ(count(QStringLiteral("FileContents")), 0);
    EXPECT_EQ(count(QStringLiteral("FileChunks")), 0);
}

TEST_F(DocumentFiles, EachContentIsReadForItsTextOnceByOneReader) {
    const int one = file(1, {stage(bytes(20, 8), QStringLiteral("a.png"))});
    file(2, {stage(bytes(20, 8), QStringLiteral("same.png"))});
    const store::Database other = store::Database::open(location());
    const auto next = store::nextFileToRead(db);
    ASSERT_TRUE(next.has_value());
    EXPECT_EQ(next->name, QStringLiteral("a.png"));
    EXPECT_EQ(next->recordPtr, one);
    EXPECT_FALSE(store::nextFileToRead(other).has_value()) << "reserved by the first reader";
    store::storeFileText(db, next->contentPtr, store::TextState::Extracted,
                         QStringLiteral("words"));
    EXPECT_FALSE(store::nextFileToRead(other).has_value());
    EXPECT_EQ(query(QStringLiteral("SELECT * FROM FileContents"), QStringLiteral("Text")),
              QStringList{"words"});
}

} // namespace
