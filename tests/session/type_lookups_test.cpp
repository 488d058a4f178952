// The type lookups as the windows use them, against real registers: the
// filling of a type list with its position table, beyond 500 types too,
// and the lookups over the open register.

#include "session/program_state.h"
#include "session/type_lookups.h"
#include "store/transaction.h"
#include "support/register_fixture.h"

namespace {

// A list control that records what FillTypeList does to it.
class FakeList : public session::TypeListTarget {
public:
    void clear() override {
        items.clear();
        selected = -1;
    }
    void addItem(const QString& text) override { items << text; }
    int selectedIndex() const override { return selected; }
    void setSelectedIndex(int index) override {
        selected = index;
        ++selections;
    }
    QStringList items{"stale"};
    int selected = 0;
    int selections = 0;
};

} // namespace

class TypeLookupTest : public RegisterTest {};

TEST_F(TypeLookupTest, ProgramWideFormsUseTheOpenRegister) {
    const int b = addType(QStringLiteral("B"));
    // The program-wide overloads use dbMain.
    session::program::dbMain = db;
    EXPECT_EQ(session::fnTypeRecordPtr(QStringLiteral("B")), b);
    EXPECT_EQ(session::fnTypeName(static_cast<qint16>(b)), QStringLiteral("B"));
    session::program::reset();
}

TEST_F(TypeLookupTest, FillListsTypesByNameAfterAll) {
    const int b = addType(QStringLiteral("B"));
    const int a = addType(QStringLiteral("A  "));
    const int c = addType(QStringLiteral("C"));
    FakeList list;
    std::vector<qint16> ptrs{9, 9};
    session::FillTypeList(db, list, true, ptrs);
    EXPECT_EQ(list.items, (QStringList{"ALL", "A", "B", "C"}));
    EXPECT_EQ(list.selected, 0);
    EXPECT_EQ(list.selections, 1);
    EXPECT_EQ(ptrs, (std::vector<qint16>{0, static_cast<qint16>(a), static_cast<qint16>(b),
                                         static_cast<qint16>(c)}));

    session::FillTypeList(db, list, false, ptrs);
    EXPECT_EQ(list.items, (QStringList{"A", "B", "C"}));
    EXPECT_EQ(list.selected, 0);
    EXPECT_EQ(ptrs.size(), 4u);
}

TEST_F(TypeLookupTest, FillOfAnEmptyTable) {
    FakeList list;
    std::vector<qint16> ptrs{1, 2, 3};
    session::FillTypeList(db, list, true, ptrs);
    EXPECT_EQ(list.items, QStringList{QStringLiteral("ALL")});
    EXPECT_EQ(list.selected, 0);
    EXPECT_EQ(ptrs, std::vector<qint16>{0});

    FakeList bare;
    session::FillTypeList(db, bare, false, ptrs);
    EXPECT_TRUE(bare.items.isEmpty());
    EXPECT_EQ(bare.selected, -1); // an empty list is left without a selection
    EXPECT_EQ(bare.selections, 0);
}

TEST_F(TypeLookupTest, MoreThanFiveHundredTypesAllMapToTheirPositions) {
    {
        store::Transaction t(db);
        for (int i = 600; i >= 1; --i)
            addType(QStringLiteral("T%1").arg(i, 4, 10, QLatin1Char('0')));
        t.commit();
    }
    session::program::dbMain = db;
    FakeList list;
    session::FillTypeList(list, true);
    const auto& ptrs = session::program::TypeRecordPtrs;
    ASSERT_EQ(list.items.size(), 601);
    ASSERT_EQ(ptrs.size(), 601u);
    for (int k : {1, 500, 501, 600}) {
        EXPECT_EQ(list.items[k], QStringLiteral("T%1").arg(k, 4, 10, QLatin1Char('0')));
        EXPECT_EQ(session::fnTypeName(ptrs[static_cast<size_t>(k)]), list.items[k]);
    }
    session::program::reset();
}

TEST_F(TypeLookupTest, NumbersOutsideSixteenBitsAreRefusedNotWrapped) {
    db.execute(QStringLiteral("INSERT INTO Types (RecordPtr, Type) VALUES (70000, 'Far')"));
    FakeList list;
    std::vector<qint16> ptrs{0};
    EXPECT_THROW(session::FillTypeList(db, list, true, ptrs), store::EngineError);
    EXPECT_EQ(ptrs, std::vector<qint16>{0});     // the previous table stays whole
    EXPECT_EQ(list.items, QStringList{"stale"}); // and so does the list
}
