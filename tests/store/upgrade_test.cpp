// Registers of earlier builds, whose text columns used a collation only this
// program knew, are converted when opened: afterwards a plain SQLite
// connection with nothing installed can check, sort, search and change
// them, every row and counter is kept, and racing or killed copies of the
// program never leave a half-converted file.

#include "peer.h"
#include "store/document_files.h"
#include "store/document_filing.h"
#include "store/schema.h"
#include "store/sqlite/sqlite_functions.h"
#include "store/sqlite/sqlite_schema.h"
#include "support/register_fixture.h"

#include <QBuffer>
#include <QProcess>
#include <csignal>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

/// A plain SQLite connection, as a tool other than this program opens it.
class PlainSqlite {
public:
    explicit PlainSqlite(const QString& file, bool withOldCollation = false) {
        EXPECT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &db_), SQLITE_OK);
        if (withOldCollation)
            store::installTextFunctions(db_);
    }
    ~PlainSqlite() { sqlite3_close(db_); }
    PlainSqlite(const PlainSqlite&) = delete;
    PlainSqlite& operator=(const PlainSqlite&) = delete;

    /// Runs statements; the error text, empty on success.
    std::string exec(const std::string& sql) {
        char* message = nullptr;
        const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message);
        std::string error = rc == SQLITE_OK ? "" : (message ? message : "error");
        sqlite3_free(message);
        return error;
    }

    /// The first column of every row joined with '|', or "error: ...".
    std::string rows(const std::string& sql) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
            return std::string("error: ") + sqlite3_errmsg(db_);
        std::string out;
        int rc = 0;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            const auto* t = sqlite3_column_text(st, 0);
            if (!out.empty())
                out += '|';
            if (t)
                out += reinterpret_cast<const char*>(t);
        }
        if (rc != SQLITE_DONE)
            out = std::string("error: ") + sqlite3_errmsg(db_);
        sqlite3_finalize(st);
        return out;
    }

private:
    sqlite3* db_ = nullptr;
};

/// A register as earlier builds made it: the schema with the old
/// collation, no schema version, `documents` rows numbered 1.., and the
/// newest `deletedOnTop` of them deleted so that the counter stands above
/// the highest RecordPtr left.
void makeOldRegister(const QString& file, int documents, int deletedOnTop = 0) {
    PlainSqlite old(file, true);
    // Documents and Types only: the history came later.
    QString schema = store::sqlite::tableStatements(store::schema::tables()[0]) +
                     store::sqlite::tableStatements(store::schema::tables()[1]);
    schema.replace(QStringLiteral("COLLATE NOCASE"), QStringLiteral("COLLATE JETTEXT"));
    ASSERT_EQ(old.exec("BEGIN;" + schema.toStdString()), "");
    ASSERT_EQ(old.exec("INSERT INTO Types (Type) VALUES ('Invoice'), ('letter')"), "");
    ASSERT_EQ(old.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                       std::to_string(documents) +
                       ") INSERT INTO Documents (ID, Description, DocumentType, Date, Who, Note) "
                       "SELECT i, CASE i % 3 WHEN 0 THEN 'apple ' || i WHEN 1 THEN 'Banana ' || i "
                       "ELSE 'Émile ' || i END, i % 3, '2004-03-07', 'who ' || i, 'note ' || i "
                       "FROM n"),
              "");
    ASSERT_EQ(old.exec("DELETE FROM Documents WHERE RecordPtr > " +
                       std::to_string(documents - deletedOnTop) + "; COMMIT"),
              "");
}

class Upgrade : public ::testing::Test {
protected:
    QString file() const { return dir.filePath(QStringLiteral("Veld.MDB")); }
    /// Every document as one text, in RecordPtr order.
    std::string documents() {
        PlainSqlite plain(file());
        return plain.rows("SELECT RecordPtr || ',' || ID || ',' || Description || ',' || Who || "
                          "',' || Note || ',' || DocumentType || ',' || Date FROM Documents "
                          "ORDER BY RecordPtr");
    }
    std::string version() { return PlainSqlite(file()).rows("PRAGMA user_version"); }

    QTemporaryDir dir;
};

TEST_F(Upgrade, OldRegisterBecomesOneAnySqliteToolCanUseWithEveryRowKept) {
    makeOldRegister(file(), 30, 5);
    const std::string before = documents();
    {
        PlainSqlite plain(file());
        EXPECT_NE(plain.rows("PRAGMA integrity_check"), "ok") << "the old file needs the program";
    }
    const auto db = store::Database::open(file());
    EXPECT_EQ(documents(), before);
    EXPECT_EQ(version(), std::to_string(store::schema::Version));

    PlainSqlite plain(file());
    EXPECT_EQ(plain.rows("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(plain.rows("SELECT count(*) FROM sqlite_master WHERE sql LIKE '%JETTEXT%'"), "0");
    EXPECT_EQ(plain.rows("SELECT count(*) FROM DocumentHistory"), "0") << "made where missing";
    // Case-blind order and search through the indexes, in a tool of its own.
    EXPECT_EQ(plain.rows("SELECT Description FROM Documents WHERE Description < 'b' ORDER BY "
                         "Description LIMIT 3"),
              "apple 12|apple 15|apple 18");
    EXPECT_EQ(plain.rows("SELECT Type FROM Types ORDER BY Type"), "Invoice|letter");
    EXPECT_EQ(plain.rows("SELECT ID FROM Documents WHERE Who = 'WHO 7'"), "7");
    // A row the tool adds is numbered after the counter and read as the
    // program's own.
    EXPECT_EQ(plain.exec("INSERT INTO Documents (ID, Description, DocumentType, Who, Note) "
                         "VALUES (99, 'added elsewhere', 1, '', '')"),
              "");
    EXPECT_EQ(plain.rows("SELECT RecordPtr FROM Documents WHERE ID = 99"), "31");
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents WHERE ID = 99"));
    ASSERT_FALSE(rs->eof());
    EXPECT_EQ(rs->field(QStringLiteral("Description")).toString(),
              QStringLiteral("added elsewhere"));
    EXPECT_EQ(rs->field(QStringLiteral("DocumentType")).toInt(), 1);
}

TEST_F(Upgrade, NewAndConvertedRegistersAreLeftAlone) {
    store::Database::create(file());
    EXPECT_EQ(version(), std::to_string(store::schema::Version));
    const std::string schema = PlainSqlite(file()).rows("SELECT sql FROM sqlite_master");
    store::Database::open(file());
    EXPECT_EQ(PlainSqlite(file()).rows("SELECT sql FROM sqlite_master"), schema);
}

TEST_F(Upgrade, CopiesOpeningOneOldRegisterAtOnceConvertItOnce) {
    makeOldRegister(file(), 20000);
    std::vector<std::unique_ptr<Peer>> peers;
    for (int i = 0; i < 4; ++i)
        peers.push_back(std::make_unique<Peer>(QStringList{
            QStringLiteral("add"), file(), QString::number(100000 + i * 10), QStringLiteral("1")}));
    for (auto& peer : peers)
        EXPECT_EQ(peer->readLine(), "ADDED");
    PlainSqlite plain(file());
    EXPECT_EQ(plain.rows("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(plain.rows("SELECT count(*) FROM Documents"), "20004");
    EXPECT_EQ(plain.rows("SELECT count(*) FROM Documents WHERE RecordPtr <= 20000"), "20000");
    EXPECT_EQ(plain.rows("SELECT group_concat(RecordPtr) FROM (SELECT RecordPtr FROM Documents "
                         "WHERE ID >= 100000 ORDER BY RecordPtr)"),
              "20001,20002,20003,20004");
}

TEST_F(Upgrade, KilledConversionLeavesTheOldRegisterWhole) {
    makeOldRegister(file(), 50000);
    const std::string before = documents();
    int killedOld = 0;
    for (int delayMs : {5, 20, 60}) {
        QProcess peer;
        peer.start(QStringLiteral(STORE_PEER),
                   {QStringLiteral("add"), file(), QStringLiteral("1000000"), QStringLiteral("1")});
        ASSERT_TRUE(peer.waitForStarted());
        QThread::msleep(static_cast<unsigned long>(delayMs));
        ::kill(static_cast<pid_t>(peer.processId()), SIGKILL);
        peer.waitForFinished();
        const std::string now = version();
        if (now == "0") {
            ++killedOld;
            PlainSqlite plain(file(), true);
            EXPECT_EQ(plain.rows("PRAGMA integrity_check"), "ok");
            EXPECT_EQ(documents(), before);
        } else {
            break; // the conversion finished before the kill
        }
    }
    const auto db = store::Database::open(file());
    EXPECT_EQ(version(), std::to_string(store::schema::Version));
    EXPECT_EQ(PlainSqlite(file()).rows("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(PlainSqlite(file()).rows("SELECT count(*) FROM Documents WHERE RecordPtr <= 50000"),
              "50000");
    RecordProperty("killed_before_commit", killedOld);
}

// A register of version 4 gains the tables of files and their triggers;
// a document that a stock tool deletes then takes its file along.
TEST_F(Upgrade, ARegisterWithoutFilesGainsThemAndAToolsDeleteTakesTheFile) {
    store::Database::create(file());
    {
        PlainSqlite plain(file());
        ASSERT_EQ(plain.exec("DROP TRIGGER DocumentFiles_document; DROP TABLE DocumentFiles; "
                             "DROP TABLE FileContents; DROP TABLE "
                             "FileChunks; PRAGMA user_version = 4"),
                  "");
    }
    {
        const auto db = store::Database::open(file());
        EXPECT_EQ(version(), std::to_string(store::schema::Version));
        QBuffer scan;
        scan.setData(QByteArray(700000, 's'));
        scan.open(QIODevice::ReadOnly);
        const store::StagedFile staged = store::stageFile(db, scan, QStringLiteral("scan.pdf"));
        auto rs = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
        rs->addNew();
        store::DocumentEntry e{QStringLiteral("1"),
                               QStringLiteral("with a scan"),
                               {},
                               QDate(2026, 12, 9),
                               {},
                               {},
                               {staged},
                               {}};
        ASSERT_EQ(store::fileDocument(*rs, e).outcome, store::Filing::Stored);
    }
    PlainSqlite plain(file());
    EXPECT_EQ(plain.rows("SELECT count(*) FROM FileChunks"), "3");
    EXPECT_EQ(plain.exec("DELETE FROM Documents"), "");
    EXPECT_EQ(plain.rows("SELECT (SELECT count(*) FROM DocumentFiles) + (SELECT count(*) FROM "
                         "FileContents) + (SELECT count(*) FROM FileChunks)"),
              "0");
    EXPECT_EQ(plain.rows("PRAGMA integrity_check"), "ok");
}

} // namespace
