// Moving a register: a file into this run's register (a file, or a server
// database) and back into a new file keeps every row, number and counter;
// copies that are refused or fail leave the target as it was.

#include "store/document_history.h"
#include "store/register_copy.h"
#include "store/transaction.h"
#include "support/register_fixture.h"

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <sqlite3.h>
#include <string>

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

/// Runs SQL on a file through SQLite itself; "" or SQLite's message.
std::string rawSql(const QString& file, const char* sql, int* count = nullptr) {
    sqlite3* raw = nullptr;
    sqlite3_open(QFile::encodeName(file).constData(), &raw);
    char* message = nullptr;
    const auto counted = [](void* n, int, char** values, char**) {
        *static_cast<int*>(n) = values[0] ? std::atoi(values[0]) : 0;
        return 0;
    };
    sqlite3_exec(raw, sql, count ? +counted : nullptr, count, &message);
    const std::string out = message ? message : "";
    sqlite3_free(message);
    sqlite3_close(raw);
    return out;
}

// A target file whose own schema carries more SQL after an index's
// declaration (SQLite reads only the declaration, so the file opens as a
// register): the copy makes its indexes from the program's schema and runs
// none of it, and no statement given with a second one runs at all.
TEST_F(RegisterCopy, SqlInTheTargetsSchemaOrAfterAStatementNeverRuns) {
    if (onServer())
        GTEST_SKIP() << "the schema of a register file";
    const store::Database src = sourceFile();
    const QString victim = QDir(back.path()).filePath(QStringLiteral("victim.db"));
    ASSERT_EQ(rawSql(victim, "CREATE TABLE keep (x); INSERT INTO keep VALUES (1)"), "");
    const QString target = QDir(back.path()).filePath(QStringLiteral("Veld.MDB"));
    store::Database::create(target);
    const QString crafted =
        QStringLiteral("PRAGMA writable_schema = ON; UPDATE sqlite_master SET sql = sql || '; "
                       "ATTACH ''%1'' AS v; DROP TABLE v.keep' WHERE name = 'Who'")
            .arg(victim);
    ASSERT_EQ(rawSql(target, crafted.toUtf8().constData()), "");

    const store::CopyOutcome copied = store::copyRegister(src, target, {});
    EXPECT_EQ(copied.documents, 3);
    int kept = 0;
    EXPECT_EQ(rawSql(victim, "SELECT count(*) FROM keep", &kept), "");
    EXPECT_EQ(kept, 1);
    int ownIndex = 0;
    EXPECT_EQ(rawSql(target,
                     "SELECT count(*) FROM sqlite_master WHERE name = 'Who' AND sql = "
                     "'CREATE INDEX \"Who\" ON \"Documents\" (\"Who\")'",
                     &ownIndex),
              "");
    EXPECT_EQ(ownIndex, 1);

    const auto copy = store::Database::open(target);
    EXPECT_EQ(
        errorOf([&] { copy.execute(QStringLiteral("DELETE FROM Types; DELETE FROM Documents")); }),
        store::err::SyntaxError);
    EXPECT_EQ(
        errorOf([&] { copy.openRecordset(QStringLiteral("SELECT 1; DELETE FROM Documents")); }),
        store::err::SyntaxError);
    EXPECT_EQ(rows(copy), rows(src));
}

} // namespace
