// rtnOpenSnapShot called through the interface: the statement it composes,
// the snapshot it opens, and what happens on each kind of failure.

#include "brellox_fixture.h"
#include "platform/com/error_info.h"
#include "platform/com/object_base.h"

using brellox::IEngineRecordset;
using com::Variant;

namespace {

/// A recordset wrapper that counts its references and never deletes itself,
/// to see whether rtnOpenSnapShot releases or keeps what *prsWork held.
class CountedRecordset final : public IEngineRecordset {
public:
    com::ULONG refs = 1;
    store::RecordsetPtr rs;
    com::HRESULT QueryInterface(const com::IID& iid, void** object) override {
        if (iid == com::IID_IUnknown || iid == brellox::IID_IEngineRecordset) {
            *object = static_cast<IEngineRecordset*>(this);
            ++refs;
            return com::S_OK;
        }
        *object = nullptr;
        return com::E_NOINTERFACE;
    }
    com::ULONG AddRef() override { return ++refs; }
    com::ULONG Release() override { return --refs; }
    store::RecordsetPtr& recordset() override { return rs; }
};

class OpenSnapShot : public BrelloxTest {
protected:
    void SetUp() override {
        BrelloxTest::SetUp();
        addDocuments(3);
    }

    /// Calls rtnOpenSnapShot with a fresh *prsWork; nullptr where/order
    /// stand for "omitted".
    com::HRESULT call(QString what, QString from, Variant* where, Variant* order,
                      com::Ptr<IEngineRecordset>* out) {
        IEngineRecordset* rs = nullptr;
        brellox::IEngineDatabase* dbp = database.get();
        const com::HRESULT hr = access->rtnOpenSnapShot(&rs, &dbp, &what, &from, where, order);
        *out = com::Ptr<IEngineRecordset>::adopt(rs);
        return hr;
    }
};

TEST_F(OpenSnapShot, ComposesTheStatementFromItsPieces) {
    QString byRefText = QStringLiteral("Who = 'Smith'");
    Variant byRefWhere = Variant::byRef(&byRefText);
    const struct {
        const char* what;
        const char* from;
        Variant where; ///< Variant::missing() for omitted
        Variant order;
        const char* statement;
        QList<int> ids;
    } cases[] = {
        {"*",
         "Documents",
         Variant::missing(),
         Variant::missing(),
         "SELECT * FROM Documents",
         {1, 2, 3}},
        {"*",
         "Documents",
         Variant::fromText(QStringLiteral("Who = 'Smith'")),
         Variant::fromText(QStringLiteral("ID")),
         "SELECT * FROM Documents WHERE Who = 'Smith' ORDER BY ID",
         {1, 3}},
        // Blank clauses (empty, spaces only, Empty, Null) are left out.
        {"*",
         "Documents",
         Variant::fromText(QString()),
         Variant::fromText(QStringLiteral("   ")),
         "SELECT * FROM Documents",
         {1, 2, 3}},
        {"*", "Documents", Variant(), Variant::null(), "SELECT * FROM Documents", {1, 2, 3}},
        // A where without an order gets no trailing ORDER BY, and the reverse.
        {"*",
         "Documents",
         Variant::fromText(QStringLiteral("ID > 1")),
         Variant::missing(),
         "SELECT * FROM Documents WHERE ID > 1",
         {2, 3}},
        {"*",
         "Documents",
         Variant::missing(),
         Variant::fromText(QStringLiteral("ID DESC")),
         "SELECT * FROM Documents ORDER BY ID DESC",
         {3, 2, 1}},
        // Pieces are joined as given: nothing trimmed or quoted.
        {" ID, Who ",
         "Documents ",
         Variant::fromText(QStringLiteral(" Who='Jones' ")),
         Variant::missing(),
         "SELECT  ID, Who  FROM Documents  WHERE  Who='Jones' ",
         {2}},
        // A value that is not text is used in its text form.
        {"*",
         "Documents",
         Variant::fromI4(0),
         Variant::missing(),
         "SELECT * FROM Documents WHERE 0",
         {}},
        {"*",
         "Documents",
         Variant::byRef(&byRefWhere),
         Variant::missing(),
         "SELECT * FROM Documents WHERE Who = 'Smith'",
         {1, 3}},
    };
    for (const auto& c : cases) {
        Variant where = c.where;
        Variant order = c.order;
        com::Ptr<IEngineRecordset> rs;
        ASSERT_EQ(
            call(QString::fromLatin1(c.what), QString::fromLatin1(c.from), &where, &order, &rs),
            com::S_OK)
            << c.statement << ": " << com::describeFailure(com::E_FAIL).toStdString();
        ASSERT_TRUE(rs && rs->recordset());
        EXPECT_EQ(rs->recordset()->source(), QString::fromLatin1(c.statement));
        EXPECT_EQ(rs->recordset()->type(), store::RecordsetType::Snapshot);
        EXPECT_EQ(ids(*rs->recordset()), c.ids) << c.statement;
    }
}

TEST_F(OpenSnapShot, NullPointerClausesAreOmittedToo) {
    com::Ptr<IEngineRecordset> rs;
    ASSERT_EQ(call(QStringLiteral("ID"), QStringLiteral("Documents"), nullptr, nullptr, &rs),
              com::S_OK);
    EXPECT_EQ(rs->recordset()->source(), QStringLiteral("SELECT ID FROM Documents"));
}

TEST_F(OpenSnapShot, TheDateRangeTextSelectsThatRange) {
    QString field = QStringLiteral("Date");
    QString from = QStringLiteral("1/1/2001");
    QString to = QStringLiteral("12/31/2001");
    Variant range;
    ASSERT_EQ(access->fnSQLDateRange(&field, &from, &to, &range), com::S_OK);
    Variant order = Variant::fromText(QStringLiteral("ID"));
    com::Ptr<IEngineRecordset> rs;
    ASSERT_EQ(call(QStringLiteral("*"), QStringLiteral("Documents"), &range, &order, &rs),
              com::S_OK);
    EXPECT_EQ(ids(*rs->recordset()), (QList<int>{1, 3}));
}

TEST_F(OpenSnapShot, ReplacesAndReleasesWhatPrsWorkHeld) {
    CountedRecordset old;
    IEngineRecordset* rs = &old;
    old.AddRef(); // the reference *prsWork holds
    brellox::IEngineDatabase* dbp = database.get();
    QString what = QStringLiteral("*");
    QString from = QStringLiteral("Documents");
    ASSERT_EQ(access->rtnOpenSnapShot(&rs, &dbp, &what, &from, nullptr, nullptr), com::S_OK);
    EXPECT_NE(rs, &old);
    EXPECT_EQ(old.refs, 1u);
    rs->Release();
    EXPECT_EQ(dbp, database.get()); // read only
}

TEST_F(OpenSnapShot, OnFailureLeavesPrsWorkAsItWasAndReportsTheEngineError) {
    store::Database closed;
    const com::Ptr<brellox::IEngineDatabase> closedDb = brellox::wrapDatabase(closed);
    Variant objectWhere = Variant::fromUnknown(database.get());
    const struct {
        const char* what;
        const char* from;
        brellox::IEngineDatabase* db;
        Variant* where;
        com::HRESULT code;
    } cases[] = {
        {"*", "NoSuchTable", database.get(), nullptr,
         com::controlErrorResult(store::err::TableNotFound)},
        {"NoSuchField", "Documents", database.get(), nullptr, com::E_FAIL}, // any engine number
        {"", "Documents", database.get(), nullptr, com::E_FAIL},
        {"*", "Documents", closedDb.get(), nullptr,
         com::controlErrorResult(store::err::ObjectClosed)},
        {"*", "Documents", nullptr, nullptr, com::controlErrorResult(91)},
        {"*", "Documents", database.get(), &objectWhere, com::DISP_E_TYPEMISMATCH},
    };
    for (const auto& c : cases) {
        CountedRecordset old;
        IEngineRecordset* rs = &old;
        brellox::IEngineDatabase* dbp = c.db;
        QString what = QString::fromLatin1(c.what);
        QString from = QString::fromLatin1(c.from);
        com::clearErrorInfo();
        const com::HRESULT hr = access->rtnOpenSnapShot(&rs, &dbp, &what, &from, c.where, nullptr);
        EXPECT_TRUE(com::failed(hr)) << c.what << " " << c.from;
        if (c.code != com::E_FAIL) {
            EXPECT_EQ(hr, c.code) << c.what << " " << c.from;
        }
        EXPECT_EQ(rs, &old) << c.what << " " << c.from;
        EXPECT_EQ(old.refs, 1u);
        const auto info = com::takeErrorInfo();
        ASSERT_TRUE(info) << c.what << " " << c.from;
        EXPECT_EQ(info->code, hr);
        EXPECT_FALSE(info->description.isEmpty());
        if (com::controlErrorNumber(hr)) {
            EXPECT_EQ(info->number, com::controlErrorNumber(hr));
        }
    }
}

TEST_F(OpenSnapShot, MissingPointersAreRefused) {
    IEngineRecordset* rs = nullptr;
    brellox::IEngineDatabase* dbp = database.get();
    QString text = QStringLiteral("*");
    EXPECT_EQ(access->rtnOpenSnapShot(nullptr, &dbp, &text, &text, nullptr, nullptr),
              com::E_POINTER);
    EXPECT_EQ(access->rtnOpenSnapShot(&rs, nullptr, &text, &text, nullptr, nullptr),
              com::E_POINTER);
    EXPECT_EQ(access->rtnOpenSnapShot(&rs, &dbp, nullptr, &text, nullptr, nullptr), com::E_POINTER);
    EXPECT_EQ(rs, nullptr);
}

} // namespace
