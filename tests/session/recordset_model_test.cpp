// The grid model over a recordset: rows read on demand, dates shown
// month first, and the model following resets and moves of the recordset.

#include "session/recordset_model.h"
#include "support/register_fixture.h"

#include <QSignalSpy>

namespace {

QList<session::RecordsetModel::Column> columns() {
    return {{QStringLiteral("Description"), QStringLiteral("Description")},
            {QStringLiteral("ID"), QStringLiteral("ID")},
            {QStringLiteral("Date"), QStringLiteral("Date")}};
}

} // namespace

class RecordsetModelTest : public RegisterTest {};

TEST_F(RecordsetModelTest, ShowsRowsAndFollowsTheRecordset) {
    add({1, "One", QDate(2004, 3, 7)});
    add({2, "Two"});
    add({3, "Three", QDate(1976, 7, 4)});
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents ORDER BY ID DESC"));
    session::RecordsetModel model(columns());
    QSignalSpy current(&model, &session::RecordsetModel::currentRowChanged);
    model.setRecordset(rs);
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.columnCount(), 3);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("ID"));
    EXPECT_EQ(model.index(0, 0).data().toString(), QStringLiteral("Three"));
    EXPECT_EQ(model.index(0, 2).data().toString(), QStringLiteral("7/4/1976"));
    EXPECT_FALSE(model.index(1, 2).data().isValid()); // Null date
    EXPECT_EQ(model.index(2, 2).data().toString(), QStringLiteral("3/7/2004"));
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    ASSERT_EQ(current.count(), 1);
    EXPECT_EQ(current.takeFirst().at(0).toInt(), 0);

    rs->moveNext();
    EXPECT_EQ(current.takeFirst().at(0).toInt(), 1);
    model.setCurrentRow(2);
    EXPECT_EQ(rs->field(QStringLiteral("ID")).toInt(), 1);
    EXPECT_EQ(current.takeFirst().at(0).toInt(), 2);
    model.setCurrentRow(9); // out of range: ignored
    EXPECT_EQ(model.currentRow(), 2);

    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    add({4, "Four"});
    rs->requery();
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.currentRow(), 0);

    // Another recordset replaces the first; the old one no longer drives it.
    auto other = db.openRecordset(QStringLiteral("SELECT * FROM Documents WHERE ID = 2"));
    model.setRecordset(other);
    EXPECT_EQ(model.rowCount(), 1);
    current.clear();
    rs->moveLast();
    EXPECT_EQ(current.count(), 0);
    model.setRecordset(nullptr);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.currentRow(), -1);
}
