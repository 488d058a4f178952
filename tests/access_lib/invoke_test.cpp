// The four routines through IDispatch: names to dispatch ids, Invoke with
// by-value and by-reference arguments and omitted optionals, and Invoke's
// own failures.

#include "brellox_fixture.h"
#include "platform/com/error_info.h"

#include <vector>

using brellox::IEngineRecordset;
using com::Variant;

namespace {

class Invoke : public BrelloxTest {
protected:
    void SetUp() override {
        BrelloxTest::SetUp();
        addDocuments(3);
    }

    struct Call {
        com::HRESULT hr = com::E_UNEXPECTED;
        Variant result;
        com::ExcepInfo excep;
        std::uint32_t argErr = 999;
    };
    /// Invokes `id` with `args` in the caller's order (reversed here into
    /// DispParams' order).
    Call invoke(com::DISPID id, std::vector<Variant> args,
                std::uint16_t flags = com::DISPATCH_METHOD) {
        std::vector<Variant> reversed(args.rbegin(), args.rend());
        com::DispParams params{reversed.data(), nullptr, static_cast<std::uint32_t>(args.size()),
                               0};
        Call c;
        c.hr = access->Invoke(id, com::IID_NULL, 0x409, flags, &params, &c.result, &c.excep,
                              &c.argErr);
        return c;
    }
    Variant unknown(IEngineRecordset* rs) { return Variant::fromUnknown(rs); }
    Variant text(const char* s) { return Variant::fromText(QString::fromLatin1(s)); }
};

TEST_F(Invoke, NamesMapToTheirDispatchIds) {
    const struct {
        const char* name;
        com::DISPID id;
    } cases[] = {
        {"rtnOpenSnapShot", 0x60030000},   {"fnSQLDateRange", 0x60030001},
        {"fnNumberOfRecords", 0x60030002}, {"fnAnyRecords", 0x60030003},
        {"FNANYRECORDS", 0x60030003},
    };
    for (const auto& c : cases) {
        const QString name = QString::fromLatin1(c.name);
        com::DISPID id = 0;
        EXPECT_EQ(access->GetIDsOfNames(com::IID_NULL, &name, 1, 0x409, &id), com::S_OK);
        EXPECT_EQ(id, c.id) << c.name;
    }
    const QString unknownName = QStringLiteral("fnNothing");
    com::DISPID id = 0;
    EXPECT_EQ(access->GetIDsOfNames(com::IID_NULL, &unknownName, 1, 0, &id),
              com::DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, com::DISPID_UNKNOWN);
    const QString withParameter[] = {QStringLiteral("fnAnyRecords"), QStringLiteral("rsWork")};
    com::DISPID ids[2] = {0, 0};
    EXPECT_EQ(access->GetIDsOfNames(com::IID_NULL, withParameter, 2, 0, ids),
              com::DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], brellox::DISPID_fnAnyRecords);
    EXPECT_EQ(ids[1], com::DISPID_UNKNOWN);
    EXPECT_EQ(access->GetIDsOfNames(brellox::IID_clsAccess, &unknownName, 1, 0, &id),
              com::DISP_E_UNKNOWNINTERFACE);
    std::uint32_t count = 9;
    EXPECT_EQ(access->GetTypeInfoCount(&count), com::S_OK);
    EXPECT_EQ(count, 0u);
}

TEST_F(Invoke, ValueRoutinesGiveWhatTheInterfaceGives) {
    com::Ptr<IEngineRecordset> rs = open(QStringLiteral("SELECT * FROM Documents"));
    com::Ptr<IEngineRecordset> none = brellox::wrapRecordset(nullptr);
    QString field = QStringLiteral("Date");
    com::IUnknown* slot = rs.get();
    const struct {
        const char* what;
        com::DISPID id;
        std::vector<Variant> args;
        com::VARTYPE type;
        QString text; ///< the result as text
    } cases[] = {
        {"date range",
         brellox::DISPID_fnSQLDateRange,
         {text("Date"), text("1/1/2001"), text("12/31/2001")},
         com::VT_BSTR,
         QStringLiteral("Date >= #1/1/2001# AND Date <= #12/31/2001#")},
        {"date range by reference",
         brellox::DISPID_fnSQLDateRange,
         {Variant::byRef(&field), text("a"), Variant::fromI4(5)},
         com::VT_BSTR,
         QStringLiteral("Date >= #a# AND Date <= #5#")},
        {"count",
         brellox::DISPID_fnNumberOfRecords,
         {unknown(rs.get())},
         com::VT_I4,
         QStringLiteral("3")},
        {"count by reference",
         brellox::DISPID_fnNumberOfRecords,
         {Variant::byRef(&slot)},
         com::VT_I4,
         QStringLiteral("3")},
        {"count of nothing",
         brellox::DISPID_fnNumberOfRecords,
         {Variant()},
         com::VT_I4,
         QStringLiteral("0")},
        {"any",
         brellox::DISPID_fnAnyRecords,
         {unknown(rs.get())},
         com::VT_BOOL,
         QStringLiteral("True")},
        {"any of a null recordset",
         brellox::DISPID_fnAnyRecords,
         {unknown(none.get())},
         com::VT_BOOL,
         QStringLiteral("False")},
        {"any of nothing",
         brellox::DISPID_fnAnyRecords,
         {Variant::fromUnknown(nullptr)},
         com::VT_BOOL,
         QStringLiteral("False")},
    };
    for (const auto& c : cases) {
        for (const std::uint16_t flags : {com::DISPATCH_METHOD, com::DISPATCH_PROPERTYGET}) {
            const Call call = invoke(c.id, c.args, flags);
            ASSERT_EQ(call.hr, com::S_OK) << c.what << ": " << call.excep.description.toStdString();
            EXPECT_EQ(call.result.vt(), c.type) << c.what;
            QString got;
            call.result.toText(&got);
            EXPECT_EQ(got, c.text) << c.what;
        }
    }
    EXPECT_EQ(rs->recordset()->absolutePosition(), 0); // the count left it on the first row
}

TEST_F(Invoke, OpenSnapShotHandsTheRecordsetBackThroughTheReference) {
    const struct {
        const char* what;
        std::vector<Variant> optionals;
        const char* statement;
    } cases[] = {
        {"optionals left off", {}, "SELECT * FROM Documents"},
        {"optionals omitted", {Variant::missing(), Variant::missing()}, "SELECT * FROM Documents"},
        {"where only", {text("ID = 2")}, "SELECT * FROM Documents WHERE ID = 2"},
        {"order only", {Variant::missing(), text("ID")}, "SELECT * FROM Documents ORDER BY ID"},
        {"blank where", {text(" "), text("Who")}, "SELECT * FROM Documents ORDER BY Who"},
    };
    for (const auto& c : cases) {
        // Into an IUnknown slot ...
        com::IUnknown* unkSlot = nullptr;
        std::vector<Variant> args = {Variant::byRef(&unkSlot), Variant::fromUnknown(database.get()),
                                     text("*"), text("Documents")};
        args.insert(args.end(), c.optionals.begin(), c.optionals.end());
        Call call = invoke(brellox::DISPID_rtnOpenSnapShot, args);
        ASSERT_EQ(call.hr, com::S_OK) << c.what << ": " << call.excep.description.toStdString();
        EXPECT_TRUE(call.result.isEmpty());
        ASSERT_NE(unkSlot, nullptr) << c.what;
        com::Ptr<IEngineRecordset> rs;
        ASSERT_EQ(com::Ptr<com::IUnknown>::adopt(unkSlot).query(brellox::IID_IEngineRecordset, &rs),
                  com::S_OK);
        EXPECT_EQ(rs->recordset()->source(), QString::fromLatin1(c.statement)) << c.what;

        // ... and into a Variant slot.
        Variant varSlot;
        args[0] = Variant::byRef(&varSlot);
        call = invoke(brellox::DISPID_rtnOpenSnapShot, args);
        ASSERT_EQ(call.hr, com::S_OK) << c.what;
        ASSERT_EQ(varSlot.vt(), com::VT_UNKNOWN);
        com::Ptr<IEngineRecordset> fromVariant;
        ASSERT_EQ(com::Ptr<com::IUnknown>::share(varSlot.object())
                      .query(brellox::IID_IEngineRecordset, &fromVariant),
                  com::S_OK);
        EXPECT_EQ(fromVariant->recordset()->source(), QString::fromLatin1(c.statement));
    }
}

TEST_F(Invoke, AnEngineFailureComesBackAsAnExceptionWithItsNumberAndText) {
    com::Ptr<IEngineRecordset> before =
        open(QStringLiteral("Documents"), store::RecordsetType::Table);
    Variant slot = Variant::fromUnknown(before.get());
    const Call call = invoke(
        brellox::DISPID_rtnOpenSnapShot,
        {Variant::byRef(&slot), Variant::fromUnknown(database.get()), text("*"), text("Nowhere")});
    EXPECT_EQ(call.hr, com::DISP_E_EXCEPTION);
    EXPECT_EQ(call.excep.scode, com::controlErrorResult(store::err::TableNotFound));
    EXPECT_FALSE(call.excep.description.isEmpty());
    EXPECT_EQ(call.excep.source, QStringLiteral("Brellox.clsAccess"));
    EXPECT_EQ(slot.object(), before.get()); // the slot keeps what it held
    const auto info = com::takeErrorInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->number, store::err::TableNotFound);
    EXPECT_EQ(info->description, call.excep.description);
}

TEST_F(Invoke, BadCallsAreRefusedWithTheirOwnCodes) {
    com::Ptr<IEngineRecordset> rs = open(QStringLiteral("SELECT * FROM Documents"));
    com::IDispatch* dispatchSlot = nullptr;
    const struct {
        const char* what;
        com::DISPID id;
        std::vector<Variant> args;
        std::uint16_t flags;
        com::HRESULT code;
        std::uint32_t argErr; ///< 999: not set
    } cases[] = {
        {"unknown id", 0x60030004, {}, com::DISPATCH_METHOD, com::DISP_E_MEMBERNOTFOUND, 999},
        {"property put",
         brellox::DISPID_fnAnyRecords,
         {unknown(rs.get())},
         com::DISPATCH_PROPERTYPUT,
         com::DISP_E_MEMBERNOTFOUND,
         999},
        {"too few",
         brellox::DISPID_fnSQLDateRange,
         {text("a"), text("b")},
         com::DISPATCH_METHOD,
         com::DISP_E_BADPARAMCOUNT,
         999},
        {"too many",
         brellox::DISPID_fnAnyRecords,
         {unknown(rs.get()), text("x")},
         com::DISPATCH_METHOD,
         com::DISP_E_BADPARAMCOUNT,
         999},
        {"open with three",
         brellox::DISPID_rtnOpenSnapShot,
         {Variant(), unknown(nullptr), text("*")},
         com::DISPATCH_METHOD,
         com::DISP_E_BADPARAMCOUNT,
         999},
        {"number for a recordset",
         brellox::DISPID_fnNumberOfRecords,
         {Variant::fromI4(3)},
         com::DISPATCH_METHOD,
         com::DISP_E_TYPEMISMATCH,
         0},
        {"database for a recordset",
         brellox::DISPID_fnAnyRecords,
         {Variant::fromUnknown(database.get())},
         com::DISPATCH_METHOD,
         com::DISP_E_TYPEMISMATCH,
         0},
        {"recordset for the database",
         brellox::DISPID_rtnOpenSnapShot,
         {Variant(), unknown(rs.get()), text("*"), text("Documents")},
         com::DISPATCH_METHOD,
         com::DISP_E_TYPEMISMATCH,
         2},
        {"no way to hand the recordset back",
         brellox::DISPID_rtnOpenSnapShot,
         {Variant::byRef(&dispatchSlot), Variant::fromUnknown(database.get()), text("*"),
          text("Documents")},
         com::DISPATCH_METHOD,
         com::DISP_E_TYPEMISMATCH,
         3},
        {"Null text",
         brellox::DISPID_fnSQLDateRange,
         {text("a"), Variant::null(), text("c")},
         com::DISPATCH_METHOD,
         com::DISP_E_TYPEMISMATCH,
         1},
        {"required text omitted",
         brellox::DISPID_fnSQLDateRange,
         {Variant::missing(), text("b"), text("c")},
         com::DISPATCH_METHOD,
         com::DISP_E_PARAMNOTFOUND,
         2},
    };
    for (const auto& c : cases) {
        const Call call = invoke(c.id, c.args, c.flags);
        EXPECT_EQ(call.hr, c.code) << c.what;
        EXPECT_EQ(call.argErr, c.argErr) << c.what;
    }
    EXPECT_EQ(dispatchSlot, nullptr);

    com::DISPID named = 0;
    Variant arg = unknown(rs.get());
    com::DispParams params{&arg, &named, 1, 1};
    EXPECT_EQ(access->Invoke(brellox::DISPID_fnAnyRecords, com::IID_NULL, 0, com::DISPATCH_METHOD,
                             &params, nullptr, nullptr, nullptr),
              com::DISP_E_NONAMEDARGS);
    params.namedArgCount = 0;
    EXPECT_EQ(access->Invoke(brellox::DISPID_fnAnyRecords, brellox::IID_clsAccess, 0,
                             com::DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              com::DISP_E_UNKNOWNINTERFACE);
    // No result wanted, no argErr slot: still fine.
    EXPECT_EQ(access->Invoke(brellox::DISPID_fnAnyRecords, com::IID_NULL, 0, com::DISPATCH_METHOD,
                             &params, nullptr, nullptr, nullptr),
              com::S_OK);
}

} // namespace
