// The interfaces' slot order, checked through the raw function tables the
// way a client bound to the slot numbers calls them: _clsAccess's routines
// in slots 7..10, the blank test in slot 12 (the sixth after IDispatch).

#include "brellox_fixture.h"
#include "platform/com/activation.h"

using brellox::_clsAccess;
using brellox::IEngineRecordset;
using com::HRESULT;
using com::Variant;

namespace {

/// The function in slot `slot` of an interface pointer's table.
template <class Fn> Fn slotOf(void* object, int slot) {
    void** table = *static_cast<void***>(object);
    return reinterpret_cast<Fn>(table[slot]);
}

class Slots : public BrelloxTest {};

TEST_F(Slots, ClsAccessRoutinesSitInSlotsSevenToTen) {
    addDocuments(3);
    com::Ptr<IEngineRecordset> rs = open(QStringLiteral("SELECT * FROM Documents"));
    void* self = access.get();

    // 7: rtnOpenSnapShot
    using OpenFn = HRESULT (*)(void*, IEngineRecordset**, brellox::IEngineDatabase**, QString*,
                               QString*, Variant*, Variant*);
    IEngineRecordset* opened = nullptr;
    brellox::IEngineDatabase* dbp = database.get();
    QString what = QStringLiteral("ID");
    QString from = QStringLiteral("Documents");
    Variant where = Variant::fromText(QStringLiteral("ID = 2"));
    ASSERT_EQ(slotOf<OpenFn>(self, 7)(self, &opened, &dbp, &what, &from, &where, nullptr),
              com::S_OK);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->recordset()->source(),
              QStringLiteral("SELECT ID FROM Documents WHERE ID = 2"));
    opened->Release();

    // 8: fnSQLDateRange
    using RangeFn = HRESULT (*)(void*, QString*, QString*, QString*, Variant*);
    QString f = QStringLiteral("F");
    QString a = QStringLiteral("1/1/2001");
    QString b = QStringLiteral("2/2/2002");
    Variant range;
    ASSERT_EQ(slotOf<RangeFn>(self, 8)(self, &f, &a, &b, &range), com::S_OK);
    EXPECT_EQ(range.text(), QStringLiteral("F >= #1/1/2001# AND F <= #2/2/2002#"));

    // 9: fnNumberOfRecords
    using CountFn = HRESULT (*)(void*, IEngineRecordset**, std::int32_t*);
    IEngineRecordset* p = rs.get();
    std::int32_t count = 0;
    ASSERT_EQ(slotOf<CountFn>(self, 9)(self, &p, &count), com::S_OK);
    EXPECT_EQ(count, 3);

    // 10: fnAnyRecords
    using AnyFn = HRESULT (*)(void*, IEngineRecordset**, com::VARIANT_BOOL*);
    com::VARIANT_BOOL any = com::VARIANT_FALSE;
    ASSERT_EQ(slotOf<AnyFn>(self, 10)(self, &p, &any), com::S_OK);
    EXPECT_EQ(any, com::VARIANT_TRUE);
    rs->recordset()->moveLast();
    rs->recordset()->moveNext();
    ASSERT_EQ(slotOf<AnyFn>(self, 10)(self, &p, &any), com::S_OK);
    EXPECT_EQ(any, com::VARIANT_FALSE);
}

TEST_F(Slots, TheBlankTestIsTheSixthSlotAfterIDispatch) {
    com::Ptr<com::IUnknown> blank;
    ASSERT_EQ(com::CoCreateInstance(blanktest::CLSID_BlankTest, blanktest::IID_IBlankTest,
                                    blank.putVoid()),
              com::S_OK);
    void* self = blank.get();
    using BlankFn = HRESULT (*)(void*, Variant*, com::VARIANT_BOOL*);
    using ReservedFn = HRESULT (*)(void*);
    Variant spaces = Variant::fromText(QStringLiteral("  "));
    Variant word = Variant::fromText(QStringLiteral(" a "));
    com::VARIANT_BOOL answer = 7;
    ASSERT_EQ(slotOf<BlankFn>(self, 12)(self, &spaces, &answer), com::S_OK);
    EXPECT_EQ(answer, com::VARIANT_TRUE);
    ASSERT_EQ(slotOf<BlankFn>(self, 12)(self, &word, &answer), com::S_OK);
    EXPECT_EQ(answer, com::VARIANT_FALSE);
    for (int slot = 7; slot < 12; ++slot)
        EXPECT_EQ(slotOf<ReservedFn>(self, slot)(self), com::E_NOTIMPL) << slot;
}

} // namespace
