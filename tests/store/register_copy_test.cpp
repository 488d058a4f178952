// Moving a register: a file into this run's register (a file, or a server
// database) and back into a new file keeps every row, number and counter;
// copies that are refused or fail leave the target as it was.

#include "store/document_history.h"
#include "store/register_copy.h"
#include "store/transaction.h"
#include "support/register_fixture.h"

#include <QDir>
#include <QFile>

namespace {

class RegisterCopy : public RegisterTest {
protected:
    /// Every row of both tables, one text each, in RecordPtr order.
    static QStringList rows(const store::Database& d) {
        QStringList out;
        for (const char* table : {"Types", "Documents"}) {
            auto rs = d.openRecordset(
                QStringLiteral("SELECT * FROM %1 ORDER BY RecordPtr").arg(QLatin1String(table)),
                store::RecordsetType::Snapshot);
            for (; !rs->eof(); rs->moveNext()) {
                QStringList values;
                for (const QString& f : rs->fieldNames()) {
                    const QVariant v = rs->field(f);
                    values << (store::isNull(v) ? QStringLiteral("<null>")
                               : v.typeId() == QMetaType::QDateTime
                                   ? v.toDateTime().toString(Qt::ISODate)
                                   : v.toString());
                }
                out << values.join(QLatin1Char('|'));
            }
        }
        return out;
    }

    /// A register file in a folder of its own, with types, documents of
    /// every kind of value, and its newest document deleted, so that its
    /// counter stands above its highest RecordPtr.
    store::Database sourceFile() {
        const QString file = QDir(other.path()).filePath(QStringLiteral("Veld.MDB"));
        auto src = store::Database::create(file);
        store::Transaction t(src);
        addTo(
            src,
            {{1, QStringLiteral("Invoice 'A'"), QDate(2004, 3, 7), QStringLiteral("O'Brien"), 1,
              QStringLiteral("line one\nline two")},
             {2, QStringLiteral("Émile Zola"), {}, QStringLiteral("Ünal"), 2, QString(5000, u'x')},
             {3, QStringLiteral(""), store::makeDate(QDate(1999, 12, 31), QTime(23, 59, 58)),
              QStringLiteral(""), 0, QStringLiteral("")},
             {4, QStringLiteral("to be deleted")}});
        auto types = src.openRecordset(QStringLiteral("Types"), store::RecordsetType::Table);
        for (const char* name : {"Invoice", "letter"}) {
            types->addNew();
            types->setField(QStringLiteral("Type"), QString::fromUtf8(name));
            types->update();
        }
        // The history the source has goes with it.
        store::historyAdded(src, 1,
                            store::DocumentFields{1, QStringLiteral("Invoice 'A'"), 0, {}, {}, {}});
        t.commit();
        src.execute(QStringLiteral("DELETE FROM Documents WHERE ID = 4"));
        return src;
    }
    static void addTo(const store::Database& d, const QList<Doc>& docs) {
        for (const Doc& doc : docs)
            add(d, doc);
    }

    QTemporaryDir other, back;
};

TEST_F(RegisterCopy, ThereAndBackKeepsEveryRowNumberAndCounter) {
    const store::Database src = sourceFile();
    const store::CopyOutcome there = store::copyRegister(src, location(), {});
    EXPECT_FALSE(there.madeTarget);
    EXPECT_EQ(there.documents, 3);
    EXPECT_EQ(there.types, 2);
    EXPECT_EQ(there.documentCounter, 4) << "the deleted document's number is not handed out again";
    EXPECT_EQ(rows(db), rows(src));

    const QString backFile = QDir(back.path()).filePath(QStringLiteral("Veld.MDB"));
    const store::CopyOutcome again =
        store::copyRegister(db, backFile, QStringLiteral(TEMPLATE_FILE));
    EXPECT_TRUE(again.madeTarget);
    const auto returned = store::Database::open(backFile);
    EXPECT_EQ(rows(returned), rows(src));
    // New rows continue after the copied numbers on every register.
    for (const store::Database& d : {src, db, returned})
        EXPECT_EQ(add(d, {9, QStringLiteral("next")}), 5);
}

TEST_F(RegisterCopy, RefusedAndFailingCopiesChangeNothing) {
    const store::Database src = sourceFile();
    add({50, QStringLiteral("already here")});
    const QStringList before = rows(db);
    EXPECT_EQ(errorOf([&] { store::copyRegister(src, location(), {}); }), store::err::IoError)
        << "a target that holds rows";
    EXPECT_EQ(rows(db), before);

    // A document being changed in the source.
    const auto editor = store::Database::open(src.location());
    auto held = editor.openRecordset(QStringLiteral("SELECT * FROM Documents"));
    held->edit();
    const QString fresh = QDir(back.path()).filePath(QStringLiteral("Veld.MDB"));
    EXPECT_EQ(errorOf([&] { store::copyRegister(src, fresh, QStringLiteral(TEMPLATE_FILE)); }),
              store::err::RecordLocked);
    EXPECT_FALSE(QFile::exists(fresh));
    held->cancelUpdate();

    // A copy that fails half-way: a type name too long for the field,
    // which a register file does not enforce but a server does, or a
    // target folder that cannot be written.
    src.execute(
        QStringLiteral("UPDATE Types SET Type = 'far too long a name' WHERE RecordPtr = 2"));
    db.execute(QStringLiteral("DELETE FROM Documents"));
    if (onServer()) {
        EXPECT_NE(errorOf([&] { store::copyRegister(src, location(), {}); }), 0);
        EXPECT_TRUE(rows(db).isEmpty());
    }
    if (::geteuid() != 0) {
        QFile::setPermissions(back.path(), QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_NE(errorOf([&] { store::copyRegister(src, fresh, QStringLiteral(TEMPLATE_FILE)); }),
                  0);
        QFile::setPermissions(back.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(QDir(back.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
}

} // namespace
