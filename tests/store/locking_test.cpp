// Several users on one register: a row under Edit is refused to every
// other Database (same process or another) for Edit and Delete until it is
// released by Update, CancelUpdate, a move, closing, or the holder's death;
// other work on the file goes on meanwhile.

#include "peer.h"
#include "store/local_user.h"
#include "support/register_fixture.h"

#include <QSysInfo>
#include <cstdlib>

namespace {

class Locking : public RegisterTest {
protected:
    void SetUp() override {
        RegisterTest::SetUp();
        if (IsSkipped())
            return;
        ptr = add({1, "shared"});
        add({2, "other"});
        other = store::Database::open(location());
    }

    store::RecordsetPtr first(const store::Database& of) {
        return of.openRecordset(QStringLiteral("SELECT * FROM Documents ORDER BY ID"));
    }

    int ptr = 0;
    store::Database other;
};

TEST_F(Locking, EditedRowIsRefusedToOtherUsersUntilReleased) {
    const std::vector<std::pair<const char*, std::function<void(store::Recordset&)>>> releases{
        {"update", [](store::Recordset& rs) { rs.update(); }},
        {"cancel", [](store::Recordset& rs) { rs.cancelUpdate(); }},
        {"move", [](store::Recordset& rs) { rs.moveNext(); }},
        {"close", [](store::Recordset& rs) { rs.close(); }},
        {"requery", [](store::Recordset& rs) { rs.requery(); }},
    };
    for (const auto& [name, release] : releases) {
        auto mine = first(db);
        auto theirs = first(other);
        mine->edit();
        EXPECT_EQ(errorOf([&] { theirs->edit(); }), store::err::RecordLocked) << name;
        EXPECT_EQ(errorOf([&] { theirs->deleteCurrent(); }), store::err::RecordLocked) << name;
        theirs->moveNext();
        EXPECT_EQ(errorOf([&] {
                      theirs->edit();
                      theirs->cancelUpdate();
                  }),
                  0)
            << "other rows stay free";
        release(*mine);
        theirs->moveFirst();
        EXPECT_EQ(errorOf([&] { theirs->edit(); }), 0) << name;
        theirs->cancelUpdate();
    }
}

TEST_F(Locking, DestroyingTheRecordsetReleasesItsRow) {
    {
        auto mine = first(db);
        mine->edit();
    }
    auto theirs = first(other);
    EXPECT_NO_THROW(theirs->edit());
}

TEST_F(Locking, OthersCanWriteWhileARowIsUnderEdit) {
    auto mine = first(db);
    mine->edit();
    mine->setField("Description", QStringLiteral("mine"));
    add(other, {3, "written meanwhile"}); // no write transaction is held
    mine->update();
    EXPECT_EQ(query(QStringLiteral("SELECT * FROM Documents ORDER BY ID"), "Description"),
              (QStringList{"mine", "other", "written meanwhile"}));
}

TEST_F(Locking, EditOfARowDeletedMeanwhileSaysSo) {
    auto mine = first(db);
    first(other)->deleteCurrent();
    EXPECT_EQ(errorOf([&] { mine->edit(); }), store::err::RecordDeleted);
    auto again = first(other);
    EXPECT_NO_THROW(again->edit()) << "the refused edit left no reservation";
}

TEST_F(Locking, RowHeldByAnotherProcessIsRefusedAndItsHolderNamedUntilItIsKilled) {
    Peer peer({QStringLiteral("edit"), location(), QString::number(ptr)});
    ASSERT_EQ(peer.readLine(), "EDITING");
    auto mine = first(db);
    EXPECT_EQ(errorOf([&] { mine->edit(); }), store::err::RecordLocked);
    const auto holder = mine->holderOfCurrent();
    ASSERT_TRUE(holder.has_value());
    EXPECT_EQ(holder->login, store::localLogin());
    EXPECT_EQ(holder->computer, QSysInfo::machineHostName());
    EXPECT_LE(std::abs(holder->since.secsTo(QDateTime::currentDateTime())), 60);
    peer.kill();
    // Gone with its program: nobody is named, and the next try succeeds.
    EXPECT_TRUE(eventually([&] { return !mine->holderOfCurrent().has_value(); }));
    EXPECT_EQ(errorOf([&] { mine->edit(); }), 0);
    EXPECT_FALSE(mine->holderOfCurrent()) << "a user's own row has no other holder";
    EXPECT_TRUE(first(other)->holderOfCurrent()) << "another connection is another user";
}

TEST_F(Locking, TwoUsersFilingOneIdAtOnceStoreItOnce) {
    // Each tests for the ID and files it in one step; the second waits for
    // the first and then finds the ID taken.
    Peer first({QStringLiteral("file-once"), location(), QStringLiteral("77")});
    Peer second({QStringLiteral("file-once"), location(), QStringLiteral("77")});
    QStringList said{QString::fromStdString(first.readLine()),
                     QString::fromStdString(second.readLine())};
    said.sort();
    EXPECT_EQ(said, (QStringList{"DUPLICATE", "STORED"}));
    EXPECT_EQ(query(QStringLiteral("SELECT * FROM Documents WHERE ID = 77")).size(), 1);
}

TEST_F(Locking, ConcurrentWritersLoseNoRowAndLeaveASoundFile) {
    constexpr int writers = 3, each = 60;
    std::vector<std::unique_ptr<Peer>> peers;
    for (int w = 0; w < writers; ++w)
        peers.push_back(std::make_unique<Peer>(QStringList{QStringLiteral("add"), location(),
                                                           QString::number(1000 * (w + 1)),
                                                           QString::number(each)}));
    for (int i = 0; i < each; ++i)
        add({500 + i, "mine"});
    for (auto& p : peers)
        EXPECT_EQ(p->readLine(), "ADDED");
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents"));
    EXPECT_EQ(rs->recordCount(), 2 + (writers + 1) * each);
    EXPECT_EQ(query(QStringLiteral("SELECT * FROM Documents WHERE ID = 1000"), "Description"),
              (QStringList{"peer 1000"}));
    EXPECT_EQ(db.integrityCheck(), "ok");
}

} // namespace
