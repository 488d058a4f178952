// A server register's own cases: several first starts racing to make the
// register in one empty database, the messages for each way the server can
// fail a user, and a connection the server drops during work. They run in
// the server run only (support/register_place.h).

#include "peer.h"
#include "store/document_history.h"
#include "store/register.h"
#include "store/transaction.h"
#include "support/register_fixture.h"

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
    store::historyDeleted(db, 1, {1, QStringLiteral("kept"), 0, {}, {}, {}});
    EXPECT_FALSE(db.openRecordset(QStringLiteral("SELECT * FROM DocumentHistory"))->eof());
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
