// The Contents filter (query::Op::FilesTextLike): the documents holding a
// file whose text matches a desktop pattern, each once, in the list's
// order, with or without the text index, beside the other filters, and
// as the list's own statement text writes it; on both backends. On a
// register file the files' index is kept by the file's triggers, also for
// rows the sqlite3 shell writes, and an earlier register gains it.

#include "store/query.h"
#include "store/text_match.h"
#include "support/register_fixture.h"

#include <QProcess>

namespace {

using store::query::Op;
using store::query::Select;

class FilesText : public RegisterTest {
protected:
    void SetUp() override {
        RegisterTest::SetUp();
        if (IsSkipped())
            return;
        for (int id = 1; id <= 6; ++id)
            docs[id] = add({id, id == 3 ? QStringLiteral("contract") : QStringLiteral("letter")});
        // The same content held by two documents, a document holding two
        // matching files, texts beyond ASCII, one not read yet, one staged.
        const int invoice = content(QStringLiteral("The quarterly INVOICE of Müller GmbH"));
        const int contract = content(QStringLiteral("contract ÜBER alles, signed 12 May"));
        const int other = content(QStringLiteral("nothing to see"));
        const int pending = content({}, 0);
        content(QStringLiteral("an invoice nobody holds"), 1, 0);
        file(docs[1], invoice);
        file(docs[3], invoice);
        file(docs[2], contract);
        file(docs[2], other);
        file(docs[4], invoice);
        file(docs[4], content(QStringLiteral("second invoice, paid")));
        file(docs[5], pending);
        pendingContent = pending;
    }

    /// A content with `text` (Null for none); its ContentPtr.
    int content(const QString& text, int state = 1, int complete = 1) {
        ++contents;
        db.execute(QStringLiteral("INSERT INTO FileContents (Sha256, Size, Complete, TextState, "
                                  "Text) VALUES ('%1', 10, %2, %3, %4)")
                       .arg(QString(64, QLatin1Char('a' + contents)))
                       .arg(complete)
                       .arg(state)
                       .arg(text.isNull() ? QStringLiteral("NULL")
                                          : QLatin1Char('\'') + text + QLatin1Char('\'')));
        return query(QStringLiteral("SELECT max(ContentPtr) AS c FROM FileContents"),
                     QStringLiteral("c"))
            .value(0)
            .toInt();
    }
    void file(int recordPtr, int contentPtr) {
        db.execute(QStringLiteral("INSERT INTO DocumentFiles (RecordPtr, Name, ContentPtr, Added) "
                                  "VALUES (%1, 'scan.pdf', %2, #3/7/2004#)")
                       .arg(recordPtr)
                       .arg(contentPtr));
    }

    /// The IDs the Contents filter lists for `pattern`, by ID descending,
    /// after checking that the index gives the rows the walk gives.
    QString found(const QString& pattern, const QString& description = {}) {
        QStringList seen[2];
        for (const bool textIndex : {true, false}) {
            Select q{QStringLiteral("Documents")};
            q.where({{}, Op::FilesTextLike, pattern}).orderBy(QStringLiteral("ID"), true);
            if (!description.isEmpty())
                q.where({QStringLiteral("Description"), Op::Like, description});
            q.textIndex = textIndex;
            seen[textIndex] =
                column(*db.openRecordset(q, store::RecordsetType::Snapshot), QStringLiteral("ID"));
        }
        EXPECT_EQ(seen[0], seen[1]) << pattern.toStdString();
        return seen[1].join(u',');
    }

    int docs[7] = {};
    int contents = 0;
    int pendingContent = 0;
};

TEST_F(FilesText, ContentsFilterFindsEachDocumentHoldingAMatchingFileOnce) {
    EXPECT_EQ(found(QStringLiteral("*invoice*")), QStringLiteral("4,3,1"));
    EXPECT_EQ(found(QStringLiteral("*MÜLLER*")), QStringLiteral("4,3,1"));
    EXPECT_EQ(found(QStringLiteral("*über*")), QStringLiteral("2"));
    EXPECT_EQ(found(QStringLiteral("*s?gned ## may*")), QStringLiteral("2"));
    EXPECT_EQ(found(QStringLiteral("*[!a-z]paid")), QStringLiteral("4"));
    EXPECT_EQ(found(QStringLiteral("*invoice*"), QStringLiteral("*contract*")),
              QStringLiteral("3"));
    EXPECT_EQ(found(QStringLiteral("*nobody*")), QString()); // staged: no document holds it
    EXPECT_EQ(found(QStringLiteral("*")), QStringLiteral("4,3,2,1"));

    // Text stored later is found; a document deleted takes its files.
    db.execute(QStringLiteral("UPDATE FileContents SET TextState = 1, Text = 'late invoice' "
                              "WHERE ContentPtr = %1")
                   .arg(pendingContent));
    db.execute(QStringLiteral("DELETE FROM Documents WHERE ID = 1"));
    EXPECT_EQ(found(QStringLiteral("*invoice*")), QStringLiteral("5,4,3"));

    // The list's statement text, run as the program's SQL.
    EXPECT_EQ(query(QStringLiteral(
                        "SELECT * FROM Documents  WHERE  RecordPtr IN (SELECT "
                        "DocumentFiles.RecordPtr FROM DocumentFiles INNER JOIN FileContents ON "
                        "FileContents.ContentPtr = DocumentFiles.ContentPtr WHERE "
                        "FileContents.Text LIKE '*MÜLLER*') ORDER BY ID DESC"))
                  .join(u','),
              QStringLiteral("4,3"));
}

/// The stock sqlite3 shell on the register; its output and errors.
QString shell(const QString& file, const QString& sql) {
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {file, sql});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
}

TEST_F(FilesText, ShellRowsAreIndexedAndAnEarlierRegisterGainsTheIndex) {
    if (onServer())
        GTEST_SKIP() << "the register file's own index";
    db = {};
    const QString check =
        QStringLiteral("INSERT INTO FileContentsText (FileContentsText, rank) VALUES "
                       "('integrity-check', 1); SELECT group_concat(rowid) FROM "
                       "FileContentsText('\"voi\" AND \"oic\"');");
    EXPECT_EQ(shell(location(), QStringLiteral("UPDATE FileContents SET Text = 'no longer' WHERE "
                                               "Text LIKE '%second%'; DELETE FROM Documents "
                                               "WHERE ID = 2;") +
                                    check),
              QStringLiteral("1,5"));
    // A file of version 4 whose files came with a build without the index.
    EXPECT_EQ(shell(location(),
                    QStringLiteral("DROP TRIGGER FileContentsText_insert; DROP TRIGGER "
                                   "FileContentsText_update; DROP TRIGGER FileContentsText_delete; "
                                   "DROP TABLE FileContentsText; PRAGMA user_version = 4;")),
              QString());
    // Opened by a writer: the index is made again and filled, and the
    // staged content nobody reserves is swept, out of the index too.
    db = store::Database::open(location());
    EXPECT_EQ(shell(location(), QStringLiteral("PRAGMA user_version;") + check),
              QStringLiteral("5\n1"));
    EXPECT_EQ(found(QStringLiteral("*INVOICE*")), QStringLiteral("4,3,1"));
}

} // namespace
