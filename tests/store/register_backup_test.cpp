// Backing up this run's register (a file, or a server database) into a
// register file: taken while another user keeps filing documents two to a
// transaction and has one in edit, each backup is one moment (never half a
// pair), checked, with nothing beside it, and opens as an ordinary register
// whose numbers carry on; a backup that cannot be made leaves no file and
// an existing file as it was. Backups and copies carry every stored file,
// byte for byte, and refuse a register whose stored file no longer
// matches its hash, naming it.

#include "peer.h"
#include "store/connection.h"
#include "store/engine_error.h"
#include "store/register_backup.h"
#include "store/register_copy.h"
#include "store/transaction.h"
#include "support/register_fixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <unistd.h>

namespace {

class RegisterBackup : public RegisterTest {
protected:
    static qint64 scalar(const store::Database& d, const QString& sql) {
        auto rs = d.openRecordset(sql, store::RecordsetType::Snapshot);
        return rs->field(QStringLiteral("N")).toLongLong();
    }
    static qint64 documents(const store::Database& d) {
        return scalar(d, QStringLiteral("SELECT count(*) AS N FROM Documents"));
    }
    QStringList outFiles() const {
        return QDir(out.path())
            .entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot);
    }
    /// The text of the EngineError `f` raised, empty if none.
    static QString failureOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const store::EngineError& e) {
            return e.text();
        }
        return {};
    }

    /// Stores a file of `chunks` for the document `recordPtr` as rows of
    /// the tables of files, as the program stores them.
    void storeFile(int recordPtr, const QString& name, const QList<QByteArray>& chunks) {
        store::Connection& c = *db.connection();
        store::Transaction t(db);
        const QByteArray whole = chunks.join();
        const auto content =
            c.prepareOwn(QStringLiteral("INSERT INTO FileContents (Sha256, Size, Complete, "
                                        "TextState) VALUES (%1, %2, 1, 0)")
                             .arg(c.placeholder(1), c.placeholder(2)),
                         2);
        content->bind(1, QString::fromLatin1(
                             QCryptographicHash::hash(whole, QCryptographicHash::Sha256).toHex()));
        content->bind(2, QVariant(qint64(whole.size())));
        content->step();
        const QString last = QStringLiteral("(SELECT max(ContentPtr) FROM FileContents)");
        for (int seq = 0; seq < chunks.size(); ++seq) {
            const auto chunk = c.prepareOwn(QStringLiteral("INSERT INTO FileChunks "
                                                           "(ContentPtr, Seq, Data) "
                                                           "VALUES (%1, %2, %3)")
                                                .arg(last, c.placeholder(1), c.placeholder(2)),
                                            2);
            chunk->bind(1, seq);
            chunk->bind(2, chunks[seq]);
            chunk->step();
        }
        const auto file = c.prepareOwn(QStringLiteral("INSERT INTO DocumentFiles (RecordPtr, Name, "
                                                      "ContentPtr) VALUES (%1, %2, %3)")
                                           .arg(c.placeholder(1), c.placeholder(2), last),
                                       2);
        file->bind(1, recordPtr);
        file->bind(2, name);
        file->step();
        t.commit();
    }
    /// Every stored chunk of `d`, in order.
    static QList<QByteArray> chunksOf(const store::Database& d) {
        const auto st = d.connection()->prepareOwn(
            QStringLiteral("SELECT Data FROM FileChunks ORDER BY ContentPtr, "
                           "Seq"),
            0);
        QList<QByteArray> chunks;
        while (st->step())
            chunks << st->column(0, store::schema::FieldKind::Data, true).toByteArray();
        return chunks;
    }

    QTemporaryDir out;
};

TEST_F(RegisterBackup, BackupsAndCopiesCarryEveryFileCheckedByItsHash) {
    const int doc = add({1, QStringLiteral("with files")});
    const QByteArray big(300000, 'x');
    storeFile(doc, QStringLiteral("scan.pdf"), {big, QByteArray("end of the scan")});
    storeFile(doc, QStringLiteral("note.txt"), {QByteArray("\0binary\xff", 9)});
    const QList<QByteArray> stored = chunksOf(db);
    ASSERT_EQ(stored.size(), 3);

    const QString backup = QDir(out.path()).filePath(QStringLiteral("backup.MDB"));
    store::backUpRegister(db, backup);
    EXPECT_EQ(chunksOf(store::Database::open(backup)), stored);
    const QString copy = QDir(out.path()).filePath(QStringLiteral("copy.MDB"));
    store::copyRegister(db, copy, QStringLiteral(TEMPLATE_FILE));
    EXPECT_EQ(chunksOf(store::Database::open(copy)), stored);

    // A chunk changed behind the program's back: nothing is written, and
    // the message names the file.
    db.connection()->exec(QStringLiteral("UPDATE FileChunks SET Seq = 7 WHERE Seq = 1"));
    const QString again = QDir(out.path()).filePath(QStringLiteral("again.MDB"));
    EXPECT_TRUE(failureOf([&] { store::backUpRegister(db, again); }).contains(u"scan.pdf"));
    const QString copyAgain = QDir(out.path()).filePath(QStringLiteral("copy again.MDB"));
    EXPECT_TRUE(failureOf([&] {
                    store::copyRegister(db, copyAgain, QStringLiteral(TEMPLATE_FILE));
                }).contains(u"scan.pdf"));
    EXPECT_EQ(outFiles().filter(u"again"), QStringList()) << "nothing of the refused ones";
}

TEST_F(RegisterBackup, OneMomentWhileAnotherUserFilesAndEdits) {
    addType(QStringLiteral("Invoice"));
    const int edited = add({1, QStringLiteral("in edit elsewhere")});
    add({2, QStringLiteral("second")});
    Peer editor({QStringLiteral("edit"), location(), QString::number(edited)});
    ASSERT_EQ(editor.readLine(), "EDITING");
    Peer writer({QStringLiteral("pairs"), location(), QStringLiteral("1000")});
    ASSERT_EQ(writer.readLine(), "FILING");

    QList<qint64> held;
    for (int i = 0; i < 3; ++i) {
        const QString file = QDir(out.path()).filePath(QStringLiteral("backup %1.MDB").arg(i));
        const store::BackupOutcome outcome = store::backUpRegister(db, file);
        EXPECT_EQ(outcome.file, file);
        EXPECT_EQ(outFiles().filter(QStringLiteral("%1.MDB").arg(i)),
                  QStringList{file.section('/', -1)})
            << "no lock, journal or temporary file beside the backup";
        const auto backup = store::Database::open(file);
        EXPECT_EQ(backup.integrityCheck(), QStringLiteral("ok"));
        held << documents(backup);
        EXPECT_EQ(outcome.documents, held.last());
        EXPECT_EQ(outcome.types, 1);
        EXPECT_EQ(held.last() % 2, 0) << "a pair filed in one transaction is whole or absent";
        EXPECT_GE(held.last(), 4);
        // The two documents filed above have entries where the server
        // writes the history itself.
        EXPECT_EQ(scalar(backup, QStringLiteral("SELECT count(*) AS N FROM DocumentHistory")),
                  held.last() - (onServer() ? 0 : 2))
            << "each filed document's history entry came with it";
        // An ordinary register: the document in edit is free in it, and new
        // documents are numbered after every copied one.
        auto rs = backup.openRecordset(QStringLiteral("SELECT * FROM Documents WHERE ID = 1"));
        EXPECT_NO_THROW(rs->edit());
        rs->cancelUpdate();
        const qint64 highest =
            scalar(backup, QStringLiteral("SELECT max(RecordPtr) AS N FROM Documents"));
        EXPECT_GT(add(backup, {1, QStringLiteral("after the backup")}), highest);
    }
    EXPECT_EQ(writer.release(), 0);
    const QString filed = QString::fromStdString(writer.readLine());
    ASSERT_TRUE(filed.startsWith(QLatin1String("FILED ")));
    const qint64 total = 2 + filed.section(' ', 1).toLongLong();
    EXPECT_EQ(documents(db), total);
    for (qint64 n : held)
        EXPECT_LE(n, total);
}

TEST_F(RegisterBackup, FailuresLeaveNoFileAndExistingFilesAsTheyWere) {
    add({1, QStringLiteral("only")});
    const QString missing = QDir(out.path()).filePath(QStringLiteral("no such folder/b.MDB"));
    EXPECT_TRUE(failureOf([&] { store::backUpRegister(db, missing); }).contains(missing));
    ASSERT_TRUE(QDir(out.path()).mkdir(QStringLiteral("folder")));
    const QString folder = QDir(out.path()).filePath(QStringLiteral("folder"));
    EXPECT_EQ(errorOf([&] { store::backUpRegister(db, folder); }), store::err::IoError);
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(outFiles(), QStringList{QStringLiteral("folder")});

    // An existing file: refused and kept, or replaced by the checked backup.
    const QString existing = QDir(out.path()).filePath(QStringLiteral("old.MDB"));
    QFile old(existing);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("not a backup") > 0);
    old.close();
    EXPECT_EQ(errorOf([&] { store::backUpRegister(db, existing, store::ExistingBackup::Refuse); }),
              store::err::IoError);
    QFile kept(existing);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("not a backup"));
    kept.close();
    QFile journal(existing + QStringLiteral("-journal")); // the old file's, after a crash
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly) && journal.write("old") > 0);
    journal.close();
    EXPECT_EQ(store::backUpRegister(db, existing, store::ExistingBackup::Replace).documents, 1);
    EXPECT_FALSE(journal.exists());
    EXPECT_EQ(documents(store::Database::open(existing)), 1);

    // The register file itself, its journal or its lock file.
    if (!onServer()) {
        for (const QString& own : {location(), location() + QStringLiteral("-journal"),
                                   location() + QStringLiteral(".lck")})
            EXPECT_EQ(errorOf([&] { store::backUpRegister(db, own); }), store::err::IoError)
                << own.toStdString();
    }
    EXPECT_EQ(documents(db), 1);

    // A folder that may not be written: the copy itself fails.
    if (::geteuid() != 0) {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_NE(errorOf([&] { store::backUpRegister(db, folder + QStringLiteral("/b.MDB")); }),
                  0);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
}

} // namespace
