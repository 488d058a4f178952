// AddNew, Edit, Update, CancelUpdate and Delete, and the conversion of
// values to the field's type on write: what is stored, what is refused with
// which error, and that a refused write loses nothing that was pending.

#include "store/read_snapshot.h"
#include "store/transaction.h"
#include "support/register_fixture.h"

using store::RecordsetType;

namespace {

class Changes : public RegisterTest {};

TEST_F(Changes, NewRowIsStoredOnUpdateAndDroppedOnCancel) {
    auto list = db.openRecordset(QStringLiteral("SELECT * FROM Documents ORDER BY ID"));
    list->addNew();
    list->setField("ID", QStringLiteral("42")); // typed text becomes the number
    list->setField("Description", QStringLiteral("typed"));
    list->setField("Date", QStringLiteral("7/4/2001"));
    EXPECT_EQ(list->field("ID").toInt(), 42) << "pending values read back";
    list->update();
    EXPECT_EQ(list->editMode(), store::EditMode::None);
    EXPECT_EQ(list->recordCount(), 1) << "a stored new row joins the dynaset";
    list->addNew();
    list->setField("ID", 43);
    list->cancelUpdate();
    EXPECT_EQ(query(QStringLiteral("SELECT * FROM Documents ORDER BY ID")), (QStringList{"42"}));
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents"));
    EXPECT_EQ(store::dateOf(rs->field("Date")), QDate(2001, 7, 4));
    EXPECT_TRUE(store::isNull(rs->field("Who"))) << "fields never set stay Null";
}

TEST_F(Changes, EditChangesOnlyTheAssignedFields) {
    add({1, "before", QDate(2001, 1, 1), "who", 0, "note"});
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents"));
    rs->edit();
    rs->setField("Description", QStringLiteral("after"));
    rs->update();
    EXPECT_EQ(rs->field("Description").toString(), "after");
    EXPECT_EQ(rs->field("Who").toString(), "who");
    rs->edit();
    rs->setField("Description", QStringLiteral("dropped"));
    rs->cancelUpdate();
    EXPECT_EQ(query(QStringLiteral("SELECT * FROM Documents"), "Description"),
              (QStringList{"after"}));
}

struct Refusal {
    const char* name;
    const char* field;
    QVariant value;
    int number;
};

class Refusals : public Changes, public ::testing::WithParamInterface<Refusal> {};

TEST_P(Refusals, RefusedValueKeepsThePendingRow) {
    auto types = db.openRecordset(QStringLiteral("SELECT * FROM Types"));
    auto docs = db.openRecordset(QStringLiteral("SELECT * FROM Documents"));
    auto& rs = QString(GetParam().field) == "Type" ? types : docs;
    rs->addNew();
    if (rs == docs)
        rs->setField("Description", QStringLiteral("kept"));
    EXPECT_EQ(errorOf([&] { rs->setField(GetParam().field, GetParam().value); }),
              GetParam().number);
    EXPECT_EQ(rs->editMode(), store::EditMode::Adding);
    if (rs == docs) {
        EXPECT_EQ(rs->field("Description").toString(), "kept");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, Refusals,
    ::testing::Values(
        Refusal{"TextForANumber", "ID", QStringLiteral("12a"), store::err::ConversionError},
        Refusal{"IdBeyond32Bits", "ID", QVariant(qlonglong(3000000000LL)),
                store::err::ConversionError},
        Refusal{"TypeBeyond16Bits", "DocumentType", 40000, store::err::ConversionError},
        Refusal{"NoDate", "Date", QStringLiteral("2/30/2004"), store::err::ConversionError},
        Refusal{"EleventhCharacter", "Type", QStringLiteral("ABCDEFGHIJK"),
                store::err::FieldTooSmall},
        Refusal{"Counter", "RecordPtr", 5, store::err::NotSupported},
        Refusal{"UnknownField", "Colour", 1, store::err::ItemNotFound}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(Changes, TenCharacterTypeAndLongTextsAreStoredWhole) {
    addType(QStringLiteral(" ABCDEFGHI")); // leading blank kept, 10 characters
    EXPECT_EQ(query(QStringLiteral("SELECT * FROM Types"), "Type"), (QStringList{" ABCDEFGHI"}));
    const QString longText(5000, QChar(0x05D0)); // Hebrew letters
    add({1, longText, {}, longText, 0, longText});
    EXPECT_EQ(query(QStringLiteral("SELECT * FROM Documents"), "Note"), (QStringList{longText}));
}

TEST_F(Changes, CountersAreNeverHandedOutTwice) {
    const int first = add({1, "a"});
    const int second = add({2, "b"});
    db.execute(QStringLiteral("DELETE FROM Documents WHERE RecordPtr = %1").arg(second));
    const int third = add({3, "c"});
    EXPECT_EQ(first, 1) << "the first document of a new register";
    EXPECT_GT(third, second);
}

TEST_F(Changes, ReadOnlyAndOutOfOrderOperationsAreRefused) {
    add({1, "a"});
    auto snap =
        db.openRecordset(QStringLiteral("SELECT * FROM Documents"), RecordsetType::Snapshot);
    EXPECT_EQ(errorOf([&] { snap->edit(); }), store::err::ReadOnly);
    EXPECT_EQ(errorOf([&] { snap->deleteCurrent(); }), store::err::ReadOnly);
    auto rs = db.openRecordset(QStringLiteral("Documents"));
    EXPECT_EQ(errorOf([&] { rs->update(); }), store::err::UpdateWithoutEdit);
    EXPECT_EQ(errorOf([&] { rs->cancelUpdate(); }), store::err::UpdateWithoutEdit);
    EXPECT_EQ(errorOf([&] { rs->setField("ID", 1); }), store::err::UpdateWithoutEdit);
    rs->cancel(); // nothing pending: never fails
}

TEST_F(Changes, TransactionMakesACheckAndAWriteOneStep) {
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents"));
    {
        store::Transaction t(db);
        rs->addNew();
        rs->setField("ID", 1);
        rs->update();
        // not committed: rolled back when t goes
    }
    EXPECT_TRUE(query(QStringLiteral("SELECT * FROM Documents")).isEmpty());
    {
        store::Transaction t(db);
        rs->addNew();
        rs->setField("ID", 2);
        rs->update();
        t.commit();
    }
    EXPECT_EQ(query(QStringLiteral("SELECT * FROM Documents")), (QStringList{"2"}));
}

TEST_F(Changes, OneTransactionOwnerAtATime) {
    add({1, "a"});
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents"));
    rs->addNew();
    rs->setField("ID", 2);
    {
        // A snapshot ends by rolling back: a change made in it would be
        // reported as stored and then lost, so it is refused instead.
        const store::ReadSnapshot snapshot(db);
        EXPECT_EQ(errorOf([&] { rs->update(); }), store::err::NotSupported);
        EXPECT_EQ(errorOf([&] { store::Transaction t(db); }), store::err::NotSupported);
    }
    rs->update(); // still pending, stored once the snapshot has ended
    {
        store::Transaction t(db);
        EXPECT_EQ(errorOf([&] { store::Transaction second(db); }), store::err::NotSupported);
        {
            const store::ReadSnapshot joined(db); // reads inside t, ends nothing
        }
        rs->addNew();
        rs->setField("ID", 3);
        rs->update();
        t.commit();
    }
    EXPECT_EQ(query(QStringLiteral("SELECT * FROM Documents ORDER BY ID")),
              (QStringList{"1", "2", "3"}));
}

} // namespace
