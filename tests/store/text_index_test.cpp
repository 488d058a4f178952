// The register file's text index: list filters find exactly the rows the
// desktop pattern matches, in the same order, whether the index serves the
// pattern or not; rows written by the stock sqlite3 shell are indexed by
// the file's own triggers; a register of an earlier build gains the index
// when opened, and one opened read only is filtered without it.

#include "store/database.h"
#include "store/query.h"
#include "store/recordset.h"
#include "store/register.h"
#include "store/register_backup.h"
#include "store/register_copy.h"
#include "store/text_match.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using store::query::Op;
using store::query::Select;

class TextIndex : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        store::Database::create(file());
        ASSERT_EQ(shell("INSERT INTO Documents (ID, Description, DocumentType, Who, Note) VALUES "
                        "(1, 'The contract of sale', 1, 'Ann Smith', 'signed \"in\" [red]'), "
                        "(2, 'CONTRACTS 2004', 1, 'smith & co', 'Café noir'), "
                        "(3, 'Café Über contract', 1, 'Émile', 'x'), "
                        "(4, 'contra', 1, 'Bob', NULL), "
                        "(5, 'report 12 contract', 1, 'ann', 'ÜBER alles'), "
                        "(6, 'a*b?c#d contract', 1, 'O''Brien', 'note 99'), "
                        "(7, 'Contract', 1, NULL, 'café NOIR'), "
                        "(8, 'ontract', 1, 'émile', '99');"
                        "UPDATE Documents SET Who = 'Smithers' WHERE ID = 4;"),
                  "");
    }

    QString file() const { return dir.filePath(QStringLiteral("Veld.MDB")); }

    /// Runs SQL in the stock sqlite3 shell; its error output.
    QString shell(const QString& sql) const {
        QProcess p;
        p.start(QStringLiteral("sqlite3"), {file(), sql});
        p.waitForFinished();
        return QString::fromUtf8(p.readAllStandardError()) +
               (p.exitCode() == 0 ? QString() : QStringLiteral("failed"));
    }

    /// What the stock sqlite3 shell says of a register's schema version,
    /// integrity and text index, and the rows the index gives for
    /// "contract" in Description.
    static QString indexReport(const QString& register_) {
        QProcess p;
        p.start(QStringLiteral("sqlite3"),
                {register_,
                 QStringLiteral("PRAGMA user_version; PRAGMA integrity_check; INSERT INTO "
                                "DocumentsText (DocumentsText, rank) VALUES ('integrity-check', "
                                "1); SELECT group_concat(rowid) FROM DocumentsText('Description "
                                ": (con AND ont AND ntr AND tra AND rac AND act)');")});
        p.waitForFinished();
        return QString::fromUtf8(p.readAll());
    }

    /// The IDs of the rows matching `pattern` on `field`, in ID order.
    static QStringList filtered(const store::Database& db, const QString& field,
                                const QString& pattern, bool textIndex = true) {
        Select q{QStringLiteral("Documents")};
        q.where({field, Op::Like, pattern}).orderBy(QStringLiteral("ID"));
        q.textIndex = textIndex;
        return ids(*db.openRecordset(q, store::RecordsetType::Snapshot));
    }

    /// The same as the desktop matcher decides it over every row.
    static QStringList matched(const store::Database& db, const QString& field,
                               const QString& pattern) {
        Select q{QStringLiteral("Documents")};
        q.orderBy(QStringLiteral("ID"));
        auto rs = db.openRecordset(q, store::RecordsetType::Snapshot);
        QStringList out;
        const QByteArray p = pattern.toUtf8();
        for (; !rs->eof(); rs->moveNext()) {
            const QVariant v = rs->field(field);
            const QByteArray text = v.toString().toUtf8();
            if (!v.isNull() && store::textmatch::like(p.toStdString(), text.toStdString()))
                out << rs->field(QStringLiteral("ID")).toString();
        }
        return out;
    }

    static QStringList ids(store::Recordset& rs) {
        QStringList out;
        for (; !rs.eof(); rs.moveNext())
            out << rs.field(QStringLiteral("ID")).toString();
        return out;
    }

    /// Makes the register one of an earlier build, without the index.
    const QString unindexed = QStringLiteral(
        "DROP TRIGGER DocumentsText_insert; DROP TRIGGER DocumentsText_update; "
        "DROP TRIGGER DocumentsText_delete; DROP TABLE DocumentsText; PRAGMA user_version = 3;");
    QTemporaryDir dir;
};

TEST_F(TextIndex, FiltersFindExactlyTheDesktopMatchesAlsoRowsTheShellAdded) {
    const store::Database db = store::Database::open(file());
    const std::vector<std::pair<const char*, std::vector<const char*>>> cases{
        {"Description",
         {"*contract*", "*CONTRACT*", "contract*", "*contract", "*con?ract*", "*contr[a-c]ct*",
          "*contr[!x]ct*", "*[*]b[?]c[#]d*", "*report ## contract*", "co*", "*ntr*", "*Über*",
          "*über contract*", "*é*", "*fé ü*", "*ract", "*", "[!c]*tract", "*cont[r]act*"}},
        {"Who", {"*smith*", "*o'brien*", "ÉMILE", "*mil*", "smith*"}},
        {"Note", {"*\"in\" [[]red]*", "*café noir*", "*über*", "*99", "*caf[é] n*"}},
    };
    for (const auto& [field, patterns] : cases)
        for (const char* pattern : patterns) {
            const QString f = QString::fromLatin1(field);
            const QString p = QString::fromUtf8(pattern);
            EXPECT_EQ(filtered(db, f, p), matched(db, f, p)) << field << " " << pattern;
        }
    EXPECT_EQ(filtered(db, QStringLiteral("Description"), QStringLiteral("*contract*")).join(','),
              "1,2,3,5,6,7");
    EXPECT_EQ(filtered(db, QStringLiteral("Who"), QStringLiteral("*smith*")).join(','), "1,2,4");
}

// A row taken out of the index behind the program's back is no longer
// found by patterns the index serves, while those it does not serve (too
// short, or without a run of ASCII) still read every row.
TEST_F(TextIndex, OnlyPatternsWithALiteralRunAreNarrowedByTheIndex) {
    ASSERT_EQ(shell("INSERT INTO DocumentsText (DocumentsText, rowid, Description, Who, Note) "
                    "SELECT 'delete', RecordPtr, Description, Who, Note FROM Documents "
                    "WHERE ID = 1"),
              "");
    const store::Database db = store::Database::open(file());
    EXPECT_EQ(filtered(db, QStringLiteral("Description"), QStringLiteral("*contract*")).join(','),
              "2,3,5,6,7");
    EXPECT_EQ(filtered(db, QStringLiteral("Description"), QStringLiteral("*co*")).join(','),
              "1,2,3,4,5,6,7");
    EXPECT_EQ(filtered(db, QStringLiteral("Description"), QStringLiteral("*c?n?r?c?*")).join(','),
              "1,2,3,5,6,7");
    // A query that forgoes the index reads every row.
    EXPECT_EQ(
        filtered(db, QStringLiteral("Description"), QStringLiteral("*contract*"), false).join(','),
        "1,2,3,5,6,7");
}

// The index is filled in parts, its progress told between them; stopped
// part way (what the progress raises stands for a kill), the register is
// left as it was.
TEST_F(TextIndex, EarlierRegisterGainsTheIndexWhenOpened) {
    ASSERT_EQ(shell(unindexed), "");
    struct Stop {};
    store::RegisterSetup setup;
    setup.progress = [](qint64 done, qint64) {
        if (done == 2)
            throw Stop{};
    };
    EXPECT_THROW(store::openRegister(file(), setup), Stop);
    EXPECT_EQ(indexReport(file()), "3\nok\n");

    std::vector<std::pair<qint64, qint64>> told;
    setup.progress = [&told](qint64 done, qint64 total) { told.emplace_back(done, total); };
    { const store::Database db = store::openRegister(file(), setup); }
    EXPECT_EQ(indexReport(file()), "5\nok\n1,2,3,5,6,7\n");
    ASSERT_GT(told.size(), 2U);
    for (std::size_t i = 0; i < told.size(); ++i)
        EXPECT_EQ(told[i], std::make_pair(static_cast<qint64>(i + 1), told.back().second));
}

TEST_F(TextIndex, BackupsAndCopiesOfARegisterCarryTheIndex) {
    const store::Database db = store::Database::open(file());
    const QString copy = dir.filePath(QStringLiteral("copy.MDB"));
    const QString backup = dir.filePath(QStringLiteral("backup.MDB"));
    store::copyRegister(db, copy, QStringLiteral(TEMPLATE_FILE));
    store::backUpRegister(db, backup);
    EXPECT_EQ(indexReport(copy), "5\nok\n1,2,3,5,6,7\n");
    EXPECT_EQ(indexReport(backup), "5\nok\n1,2,3,5,6,7\n");
}

TEST_F(TextIndex, ReadOnlyUserFiltersAnEarlierRegisterWithoutTheIndex) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    ASSERT_EQ(shell(unindexed), "");
    QFile::setPermissions(file(), QFile::ReadOwner);
    const store::Database db = store::Database::open(file());
    EXPECT_EQ(filtered(db, QStringLiteral("Description"), QStringLiteral("*contract*")).join(','),
              "1,2,3,5,6,7");
    QFile::setPermissions(file(), QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace
