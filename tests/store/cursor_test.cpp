// Positioning of recordsets: BOF/EOF on empty and one-row results, the
// moves, RecordCount, and where the cursor stands after a delete, for the
// key-list (dynaset), copied (snapshot) and live table kinds. The copied
// aggregate snapshot is counted in statements_test.cpp. Rows read in
// batches, the next one sent ahead, stay right around changes.

#include "store/transaction.h"
#include "support/register_fixture.h"

using store::RecordsetType;

namespace {

class Cursor : public RegisterTest {};

TEST_F(Cursor, EmptyResultIsBothBofAndEofAndHasNoCurrentRecord) {
    for (auto type : {RecordsetType::Dynaset, RecordsetType::Snapshot, RecordsetType::Table}) {
        auto rs = db.openRecordset(QStringLiteral("Documents"), type);
        EXPECT_TRUE(rs->eof());
        EXPECT_TRUE(rs->bof());
        EXPECT_EQ(rs->recordCount(), 0);
        EXPECT_EQ(errorOf([&] { rs->field("ID"); }), store::err::NoCurrentRecord);
        EXPECT_EQ(errorOf([&] { rs->moveNext(); }), store::err::NoCurrentRecord);
        rs->moveFirst(); // harmless on an empty result
        rs->moveLast();
        EXPECT_TRUE(rs->eof() && rs->bof());
    }
}

TEST_F(Cursor, OneRowStandsOnItsRowAndMovesOffBothEnds) {
    add({7, "only"});
    for (auto type : {RecordsetType::Dynaset, RecordsetType::Table}) {
        auto rs = db.openRecordset(QStringLiteral("Documents"), type);
        ASSERT_FALSE(rs->eof() || rs->bof());
        EXPECT_EQ(rs->field("id").toInt(), 7) << "field names ignore case";
        rs->moveNext();
        EXPECT_TRUE(rs->eof());
        EXPECT_FALSE(rs->bof());
        rs->movePrevious();
        EXPECT_EQ(rs->field("ID").toInt(), 7);
        rs->movePrevious();
        EXPECT_TRUE(rs->bof());
        EXPECT_EQ(errorOf([&] { rs->movePrevious(); }), store::err::NoCurrentRecord);
        rs->moveLast();
        EXPECT_EQ(rs->recordCount(), 1);
    }
}

struct DeleteCase {
    const char* name;
    int deleteAt;        ///< 0-based row of a three-row list (IDs 1, 2, 3)
    bool forward;        ///< move next (true) or previous after the delete
    QVariant expectedId; ///< Null for EOF/BOF
};

class DeleteMoves : public RegisterTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteMoves, NoRowIsCurrentUntilAMoveThenTheNeighbourIs) {
    const DeleteCase& c = GetParam();
    for (int id : {1, 2, 3})
        add({id, QStringLiteral("doc %1").arg(id)});
    for (auto type : {RecordsetType::Dynaset, RecordsetType::Table}) {
        const QString source = type == RecordsetType::Table
                                   ? QStringLiteral("Documents")
                                   : QStringLiteral("SELECT * FROM Documents ORDER BY ID");
        auto rs = db.openRecordset(source, type);
        for (int i = 0; i < c.deleteAt; ++i)
            rs->moveNext();
        rs->deleteCurrent();
        EXPECT_FALSE(rs->eof());
        EXPECT_FALSE(rs->bof());
        EXPECT_EQ(errorOf([&] { rs->field("ID"); }), store::err::NoCurrentRecord);
        c.forward ? rs->moveNext() : rs->movePrevious();
        if (store::isNull(c.expectedId))
            EXPECT_TRUE(c.forward ? rs->eof() : rs->bof());
        else
            EXPECT_EQ(rs->field("ID"), c.expectedId);
        db.execute(QStringLiteral("DELETE FROM Documents"));
        for (int id : {1, 2, 3})
            add({id, QStringLiteral("doc %1").arg(id)});
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, DeleteMoves,
                         ::testing::Values(DeleteCase{"MiddleThenNext", 1, true, 3},
                                           DeleteCase{"MiddleThenPrevious", 1, false, 1},
                                           DeleteCase{"LastThenNext", 2, true, {}},
                                           DeleteCase{"FirstThenPrevious", 0, false, {}},
                                           DeleteCase{"FirstThenNext", 0, true, 2}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(Cursor, DeletingTheOnlyRowLeavesAnEmptyResultAfterTheNextMove) {
    add({1, "one"});
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents ORDER BY ID"));
    rs->deleteCurrent();
    rs->moveNext();
    EXPECT_TRUE(rs->eof());
    EXPECT_TRUE(rs->bof());
    EXPECT_EQ(rs->recordCount(), 0);
}

TEST_F(Cursor, RequerySeesOtherUsersRowsAndStandsOnTheFirst) {
    add({1, "one"});
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents ORDER BY ID DESC"));
    add(store::Database::open(location()), {2, "two"});
    EXPECT_EQ(rs->recordCount(), 1) << "a dynaset keeps its rows until requeried";
    rs->moveLast();
    rs->requery();
    EXPECT_EQ(rs->recordCount(), 2);
    EXPECT_EQ(rs->field("ID").toInt(), 2);
}

TEST_F(Cursor, RowDeletedByAnotherUserReadsAsDeletedNotAsStaleData) {
    const int ptr = add({1, "one"});
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents"));
    store::Database::open(location())
        .execute(QStringLiteral("DELETE FROM Documents WHERE RecordPtr = %1").arg(ptr));
    EXPECT_EQ(errorOf([&] { rs->field("Description"); }), store::err::RecordDeleted);
    EXPECT_TRUE(store::isNull(rs->valueAt(0, "Description")));
}

TEST_F(Cursor, RowsReadInBatchesFollowChangesAndOtherStatements) {
    constexpr int batch = store::Recordset::PrefetchRows;
    constexpr int rows = 3 * batch + 10;
    {
        store::Transaction t(db);
        auto table = db.openRecordset(QStringLiteral("Documents"), RecordsetType::Table);
        for (int id = 1; id <= rows; ++id) {
            table->addNew();
            table->setField("ID", id);
            table->setField("Description", QStringLiteral("d%1").arg(id));
            table->update();
        }
        t.commit();
    }
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents ORDER BY ID"));
    QStringList expected;
    for (int id = 1; id <= rows; ++id)
        expected << QStringLiteral("d%1").arg(id);
    expected[2 * batch + 1] = QStringLiteral("changed");

    // Read as an export does; each prefetch sends the next batch ahead.
    QStringList seen;
    for (int row = 0; row < rs->rowCount(); ++row) {
        if (row % batch == 0)
            rs->prefetch(row, batch);
        if (row == 0) { // another statement while the second batch is on its way
            EXPECT_EQ(query(QStringLiteral("SELECT count(*) AS N FROM Documents"), "N"),
                      QStringList{QString::number(rows)});
        }
        if (row == batch) { // a row of the third batch changed while it is on its way
            rs->setAbsolutePosition(2 * batch + 1);
            rs->edit();
            rs->setField("Description", QStringLiteral("changed"));
            rs->update();
        }
        seen << rs->valueAt(row, "Description").toString();
    }
    EXPECT_EQ(seen, expected);
}

TEST_F(Cursor, ClosedRecordsetRefusesEveryOperation) {
    auto rs = db.openRecordset(QStringLiteral("Documents"));
    rs->close();
    EXPECT_EQ(errorOf([&] { (void)rs->eof(); }), store::err::ObjectClosed);
    EXPECT_EQ(errorOf([&] { rs->moveFirst(); }), store::err::ObjectClosed);
}

} // namespace
