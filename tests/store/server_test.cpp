// A server register's own cases: several first starts racing to make the
// register in one empty database, the messages for each way the server can
// fail a user, and a connection the server drops during work. They run in
// the server run only (support/register_place.h).

#include "peer.h"
#include "store/document_history.h"
#include "store/register.h"
#include "store/register_backup.h"
#include "store/transaction.h"
#include "support/register_fixture.h"

#include <QDir>
#include <memory>

namespace {

class ServerRegister : public ::testing::Test {
protected:
    void SetUp() override {
        if (!place.onServer())
            GTEST_SKIP() << (place.unavailable().isEmpty()
                                 ? std::string("a server register's own case")
                                 : place.unavailable().toStdString());
    }
    /// The text of the EngineError opening `uri` raises, empty if none.
    static QString openingError(const QString& uri) {
        try {
            store::openRegister(uri, {});
        } catch (const store::EngineError& e) {
            return e.text();
        }
        return {};
    }
    testsupport::RegisterPlace place;
};

TEST_F(ServerRegister, RacingFirstStartsMakeOneRegister) {
    std::vector<std::unique_ptr<Peer>> starts;
    for (int i = 0; i < 6; ++i)
        starts.push_back(
            std::make_unique<Peer>(QStringList{QStringLiteral("make"), place.location()}));
    for (auto& s : starts)
        EXPECT_EQ(s->readLine(), "OPEN");
    const auto db = store::Database::open(place.location());
    RegisterTest::add(db, {1, QStringLiteral("after the race")});
    EXPECT_EQ(db.openRecordset(QStringLiteral("SELECT * FROM Documents"))->recordCount(), 1);
}

TEST_F(ServerRegister, EachFailureNamesTheServerAndTheCause) {
    // A user who may log in but not make tables, and one who must give a
    // password (the test server asks members of password_users for one).
    const QString clerk = QStringLiteral("clerk_") + place.database();
    const QString typist = QStringLiteral("typist_") + place.database();
    ASSERT_EQ(
        place.serverSql(
            QStringLiteral("CREATE ROLE %1 LOGIN; DO $$ BEGIN CREATE ROLE "
                           "password_users; EXCEPTION WHEN duplicate_object OR unique_violation "
                           "THEN NULL; END $$; CREATE ROLE %2 LOGIN PASSWORD "
                           "'right' IN ROLE password_users")
                .arg(clerk, typist)),
        QString());
    QString down = place.location();
    down.replace(QRegularExpression(QStringLiteral("host=[^&]*")),
                 QStringLiteral("host=/nonexistent/socket/dir"));
    struct Case {
        const char* what;
        QString uri;
        QStringList said; ///< parts the message must hold
    };
    const Case cases[] = {
        {"server down", down, {"/nonexistent/socket/dir", "cannot be reached"}},
        {"no such database",
         place.uriAs({}, {}, QStringLiteral("no_such_register")),
         {"no database 'no_such_register'"}},
        {"no such user",
         place.uriAs(QStringLiteral("nobody_at_all")),
         {"knows no user 'nobody_at_all'"}},
        {"no right to make tables", place.uriAs(clerk), {place.database(), "may not make one"}},
        {"wrong password",
         place.uriAs(typist, QStringLiteral("wrong")),
         {"refused the user '" + typist + "' (wrong password)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString text = openingError(c.uri);
        for (const QString& part : c.said)
            EXPECT_TRUE(text.contains(part)) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("password="))) << "no password is shown";
    }
    place.serverSql(QStringLiteral("DROP ROLE %1; DROP ROLE %2").arg(clerk, typist));
}

TEST_F(ServerRegister, DatabasesHoldingSomethingElseAreRefusedUntouched) {
    place.serverSql(QStringLiteral("CREATE TABLE invoices (n integer)"));
    EXPECT_TRUE(openingError(place.location()).contains(QStringLiteral("not a register")));
    EXPECT_TRUE(openingError(place.location()).contains(QStringLiteral("invoices")));
    place.serverSql(QStringLiteral("DROP TABLE invoices; CREATE TABLE documents (id integer); "
                                   "CREATE TABLE types (type text)"));
    const QString text = openingError(place.location());
    EXPECT_TRUE(text.contains(QStringLiteral("has no field"))) << text.toStdString();
}

TEST_F(ServerRegister, ARegisterOfAnEarlierVersionGainsTheHistoryTableKeepingItsRows) {
    RegisterTest::add(store::Database::create(place.location()), {1, QStringLiteral("kept")});
    place.serverSql(QStringLiteral("DROP TABLE documenthistory"));
    const auto db = store::Database::open(place.location());
    EXPECT_EQ(db.openRecordset(QStringLiteral("SELECT COUNT(*) AS n FROM Documents"))
                  ->field(QStringLiteral("n"))
                  .toInt(),
              1);
    db.execute(QStringLiteral("DELETE FROM Documents WHERE ID = 1"));
    EXPECT_EQ(db.openRecordset(QStringLiteral("SELECT * FROM DocumentHistory"))
                  ->field(QStringLiteral("Action"))
                  .toString(),
              QStringLiteral("Deleted"));
}

TEST_F(ServerRegister, OrdinarySqlMatchesItsTextsAndAnEarlierRegisterIsConverted) {
    // What an administrator's psql or a reporting tool asks of the texts.
    const QString psql = QStringLiteral(
        "SELECT count(*) FROM documents, types WHERE description LIKE '%a%' OR description "
        "ILIKE '%A%' OR who ~ 'a' OR position('a' in note) > 0 OR type LIKE 'I%'");
    const QString scribe = QStringLiteral("scribe_") + place.database();
    {
        const auto db = store::Database::create(place.location());
        for (const Doc& d : {Doc{1, "abc"}, Doc{2, "ABD"}, Doc{3, "\u00e9clair"}, Doc{4, "Eclair"},
                             Doc{5, "zed"}, Doc{6, "Abe"}})
            RegisterTest::add(db, d);
        db.execute(QStringLiteral("INSERT INTO Types (Type) VALUES ('Invoice')"));
    }
    EXPECT_EQ(place.serverSql(psql), QString());
    // The register as the earlier version made it: texts in the case-blind
    // collation, which psql cannot match; no rules of the server; a desk
    // allowed to write the history; a row filed by psql with a number of
    // its own, ahead of the counter.
    ASSERT_EQ(
        place.serverSql(
            QStringLiteral(
                "DROP TRIGGER documents_files ON documents; DROP TRIGGER documentfiles_history "
                "ON documentfiles; DROP TRIGGER documentfiles_unheld ON documentfiles; DROP "
                "TRIGGER filecontents_chunks ON filecontents; DROP TRIGGER documentfiles_counter "
                "ON documentfiles; DROP TRIGGER filecontents_counter ON filecontents; DROP "
                "TRIGGER filechunks_counter ON filechunks; DROP FUNCTION documents_files_gone(), "
                "documentfiles_history_entry(), documentfiles_unheld(), "
                "filecontents_chunks_gone(); "
                "DROP TRIGGER documents_history ON documents; DROP TRIGGER documents_counter ON "
                "documents; DROP TRIGGER types_counter ON types; DROP TRIGGER "
                "documenthistory_counter ON documenthistory; DROP FUNCTION "
                "documents_history_entry(); DROP FUNCTION register_counter_catch_up(); DROP INDEX "
                "documents_description, documents_who, types_typename; ALTER TABLE documents ALTER "
                "description TYPE text COLLATE register_text, ALTER who TYPE text COLLATE "
                "register_text, ALTER note TYPE text COLLATE register_text; ALTER TABLE types "
                "ALTER "
                "type TYPE varchar(10) COLLATE register_text; ALTER TABLE documenthistory ALTER "
                "username TYPE text COLLATE register_text, ALTER oldvalue TYPE text COLLATE "
                "register_text; CREATE INDEX documents_description ON documents (description NULLS "
                "FIRST, recordptr); CREATE INDEX documents_who ON documents (who NULLS FIRST, "
                "recordptr); CREATE INDEX types_typename ON types (type NULLS FIRST, recordptr); "
                "INSERT INTO documents (recordptr, id, description) VALUES (40, 40, 'by psql'); "
                "CREATE ROLE %1 LOGIN; GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN "
                "SCHEMA public TO %1; GRANT USAGE ON ALL SEQUENCES IN SCHEMA public TO %1; "
                "CREATE VIEW descriptions AS SELECT description FROM documents")
                .arg(scribe)),
        QString());
    EXPECT_TRUE(place.serverSql(psql).contains(QStringLiteral("nondeterministic")));
    // A view that reads the texts holds the conversion up: the owner is
    // told which, and nothing changes.
    const QString held = openingError(place.location());
    EXPECT_TRUE(held.contains(QStringLiteral("descriptions"))) << held.toStdString();
    EXPECT_TRUE(place.serverSql(psql).contains(QStringLiteral("nondeterministic")));
    {
        // A desk works on with the register as it is, writing the history
        // itself, until the owner brings it up to date.
        const auto desk = store::Database::open(place.uriAs(scribe));
        store::Transaction t(desk);
        RegisterTest::add(desk, {42, QStringLiteral("by the desk")});
        const int ptr = desk.openRecordset(QStringLiteral("SELECT * FROM Documents WHERE ID = 42"))
                            ->field(QStringLiteral("RecordPtr"))
                            .toInt();
        store::historyAdded(desk, ptr, store::storedDocumentFields(desk, ptr));
        t.commit();
        EXPECT_EQ(RegisterTest::column(*desk.openRecordset(QStringLiteral(
                                           "SELECT * FROM DocumentHistory WHERE ID = 42")),
                                       QStringLiteral("Action")),
                  QStringList{"Added"});
        EXPECT_EQ(RegisterTest::column(*desk.openRecordset(QStringLiteral(
                                           "SELECT * FROM Documents WHERE Description LIKE "
                                           "'*DESK*' OR Description = 'ZED' ORDER BY ID")),
                                       QStringLiteral("ID")),
                  (QStringList{"5", "42"}));
        desk.execute(QStringLiteral("DELETE FROM Documents WHERE ID = 42"));
    }

    place.serverSql(QStringLiteral("DROP VIEW descriptions"));
    const auto db = store::Database::open(place.location());
    EXPECT_EQ(place.serverSql(psql), QString());
    // The program's own order and comparisons are as they were.
    EXPECT_EQ(RegisterTest::column(
                  *db.openRecordset(QStringLiteral("SELECT * FROM Documents ORDER BY Description")),
                  QStringLiteral("ID")),
              (QStringList{"1", "2", "6", "40", "4", "3", "5"}));
    EXPECT_EQ(RegisterTest::column(
                  *db.openRecordset(QStringLiteral("SELECT * FROM Types WHERE Type = 'INVOICE'")),
                  QStringLiteral("Type")),
              QStringList{"Invoice"});
    EXPECT_EQ(RegisterTest::add(db, {41, QStringLiteral("after psql")}), 41);
    EXPECT_EQ(db.openRecordset(QStringLiteral("SELECT * FROM DocumentHistory WHERE ID = 41"))
                  ->field(QStringLiteral("Action"))
                  .toString(),
              QStringLiteral("Added"));
    EXPECT_TRUE(
        place.serverSql(QStringLiteral("SET ROLE %1; DELETE FROM documenthistory").arg(scribe))
            .contains(QStringLiteral("permission denied")));
    place.serverSql(QStringLiteral("DROP OWNED BY %1; DROP ROLE %1").arg(scribe));
}

TEST_F(ServerRegister, WhatAnAdministratorAddsBesideTheRegisterIsLeftAlone) {
    // A relation that takes the name of one of the register's tables is
    // refused at the first start...
    place.serverSql(QStringLiteral("CREATE VIEW types AS SELECT 1 AS one"));
    const QString refused = openingError(place.location());
    EXPECT_TRUE(refused.contains(QStringLiteral("a view named 'types'"))) << refused.toStdString();
    // ... but extensions, views, functions and other schemas are not.
    ASSERT_EQ(place.serverSql(QStringLiteral(
                  "DROP VIEW types; CREATE EXTENSION pg_stat_statements; CREATE EXTENSION "
                  "pg_buffercache; CREATE VIEW activity AS SELECT 1 AS one; CREATE FUNCTION "
                  "answer() RETURNS integer LANGUAGE sql AS 'SELECT 42'; CREATE SCHEMA archive; "
                  "CREATE TABLE archive.documents (n integer)")),
              QString());
    RegisterTest::add(store::Database::create(place.location()), {1, QStringLiteral("kept")});
    place.serverSql(QStringLiteral("CREATE TABLE notes (n integer); CREATE VIEW recent AS SELECT "
                                   "id, description FROM documents"));
    const auto db = store::Database::open(place.location());
    EXPECT_EQ(RegisterTest::column(*db.openRecordset(QStringLiteral(
                                       "SELECT * FROM Documents WHERE Description LIKE '*KEPT*'")),
                                   QStringLiteral("ID")),
              QStringList{"1"});
    const QString backup = QDir(place.folder()).filePath(QStringLiteral("backup.MDB"));
    EXPECT_EQ(store::backUpRegister(db, backup).documents, 1);
}

TEST_F(ServerRegister, ARowFiledWithItsOwnNumberDoesNotStopTheNextAdd) {
    const auto db = store::Database::create(place.location());
    EXPECT_EQ(RegisterTest::add(db, {1, QStringLiteral("first")}), 1);
    ASSERT_EQ(place.serverSql(QStringLiteral(
                  "INSERT INTO documents (recordptr, id, description) VALUES (2, 2, 'by psql'); "
                  "INSERT INTO types (recordptr, type) VALUES (1, 'psql')")),
              QString());
    EXPECT_EQ(RegisterTest::add(db, {3, QStringLiteral("next")}), 3);
    db.execute(QStringLiteral("INSERT INTO Types (Type) VALUES ('Letter')"));
    EXPECT_EQ(RegisterTest::column(*db.openRecordset(QStringLiteral("SELECT * FROM Types")),
                                   QStringLiteral("RecordPtr")),
              (QStringList{"1", "2"}));
}

TEST_F(ServerRegister, HistoryIsTheServersAndADeskMayOnlyReadIt) {
    const auto owner = store::Database::create(place.location());
    // A desk with the rights the README gives them.
    const QString desks = QStringLiteral("desks_") + place.database();
    const QString alice = QStringLiteral("alice_") + place.database();
    ASSERT_EQ(place.serverSql(
                  QStringLiteral(
                      "CREATE ROLE %1; GRANT CONNECT ON DATABASE %3 TO %1; GRANT SELECT, INSERT, "
                      "UPDATE, DELETE ON documents, types TO %1; GRANT SELECT ON documenthistory "
                      "TO %1; GRANT USAGE ON SEQUENCE documents_recordptr_seq, "
                      "types_recordptr_seq TO %1; CREATE ROLE %2 LOGIN IN ROLE %1")
                      .arg(desks, alice, place.database())),
              QString());
    {
        const auto db = store::Database::open(place.uriAs(alice));
        const int ptr = RegisterTest::add(db, {1, QStringLiteral("by alice")});
        db.execute(
            QStringLiteral("UPDATE Documents SET Who = 'Alice' WHERE RecordPtr = %1").arg(ptr));
        const auto history = [&](const char* field) {
            return RegisterTest::column(*db.openRecordset(QStringLiteral(
                                            "SELECT * FROM DocumentHistory ORDER BY HistoryPtr")),
                                        QLatin1String(field));
        };
        EXPECT_EQ(history("UserName"), (QStringList{alice, alice}));
        EXPECT_EQ(history("NewValue"), (QStringList{"by alice", "Alice"}));
        for (const char* sql :
             {"UPDATE DocumentHistory SET UserName = 'someone else'", "DELETE FROM DocumentHistory",
              "INSERT INTO DocumentHistory (Action) VALUES ('Added')"}) {
            SCOPED_TRACE(sql);
            EXPECT_EQ(errorOf([&] { db.execute(QString::fromUtf8(sql)); }),
                      store::err::NoPermission);
        }
    }
    EXPECT_EQ(owner.openRecordset(QStringLiteral("SELECT COUNT(*) AS n FROM DocumentHistory"))
                  ->field(QStringLiteral("n"))
                  .toInt(),
              2);
    place.serverSql(
        QStringLiteral("DROP OWNED BY %1, %2; DROP ROLE %2; DROP ROLE %1").arg(desks, alice));
}

TEST_F(ServerRegister, SettingsOfTheDatabaseDoNotChangeTheRows) {
    ASSERT_EQ(place.serverSql(
                  QStringLiteral("ALTER DATABASE %1 SET standard_conforming_strings = off; ALTER "
                                 "DATABASE %1 SET DateStyle = 'SQL, DMY'; ALTER DATABASE %1 SET "
                                 "default_transaction_isolation = 'serializable'")
                      .arg(place.database()),
                  QStringLiteral("postgres")),
              QString());
    const auto db = store::Database::create(place.location());
    RegisterTest::add(db, {1, QStringLiteral("a\\b"), QDate(2004, 2, 1)});
    RegisterTest::add(db, {2, QStringLiteral("ab"), QDate(2004, 1, 2)});
    const auto ids = [&](const char* where) {
        return RegisterTest::column(
            *db.openRecordset(QStringLiteral("SELECT * FROM Documents WHERE %1 ORDER BY ID")
                                  .arg(QString::fromUtf8(where))),
            QStringLiteral("ID"));
    };
    EXPECT_EQ(ids("Description LIKE '*\\b*'"), QStringList{"1"});
    EXPECT_EQ(ids("Date > #1/15/2004#"), QStringList{"1"});
    EXPECT_EQ(store::dateOf(db.openRecordset(QStringLiteral("SELECT * FROM Documents WHERE ID = 2"))
                                ->field(QStringLiteral("Date"))),
              QDate(2004, 1, 2));
}

TEST_F(ServerRegister, ADroppedConnectionLosesTheWorkUnderWayAndNothingElse) {
    const auto db = store::Database::create(place.location());
    RegisterTest::add(db, {1, QStringLiteral("before")});
    const QString dropOthers = QStringLiteral("SELECT pg_terminate_backend(pid) FROM "
                                              "pg_stat_activity WHERE datname = '%1' AND pid <> "
                                              "pg_backend_pid()")
                                   .arg(place.database());
    {
        store::Transaction t(db);
        RegisterTest::add(db, {2, QStringLiteral("under way")});
        place.serverSql(dropOthers, QStringLiteral("postgres"));
        const int error = errorOf([&] {
            RegisterTest::add(db, {3, QStringLiteral("after the drop")});
            t.commit();
        });
        EXPECT_EQ(error, store::err::IoError);
    }
    // The server refuses new connections for a while: a change is refused
    // with the reason, and works again once the server takes them.
    place.serverSql(
        QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS false").arg(place.database()),
        QStringLiteral("postgres"));
    place.serverSql(dropOthers, QStringLiteral("postgres"));
    try {
        RegisterTest::add(db, {4, QStringLiteral("while away")});
        ADD_FAILURE() << "a change without a server was taken";
    } catch (const store::EngineError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("was lost"))) << e.text().toStdString();
    }
    place.serverSql(
        QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS true").arg(place.database()),
        QStringLiteral("postgres"));
    RegisterTest::add(db, {5, QStringLiteral("back")});
    const auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents ORDER BY ID"));
    EXPECT_EQ(RegisterTest::column(*rs, QStringLiteral("Description")),
              (QStringList{"before", "back"}));
}

} // namespace
