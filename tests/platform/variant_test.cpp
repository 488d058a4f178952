// Variant: reference counting of held objects, the omitted marker, reading
// and writing through references.

#include "counting_object.h"
#include "platform/com/variant.h"

#include <gtest/gtest.h>

using com::Variant;

namespace {

TEST(Variant, HeldObjectsAreCountedThroughCopyMoveAndAssignment) {
    CountingObject a;
    CountingObject b;
    {
        Variant v = Variant::fromUnknown(&a);
        EXPECT_EQ(a.refs, 2u);
        Variant copy = v;
        EXPECT_EQ(a.refs, 3u);
        Variant moved = std::move(copy);
        EXPECT_EQ(a.refs, 3u);
        moved = Variant::fromUnknown(&b); // releases a, holds b
        EXPECT_EQ(a.refs, 2u);
        EXPECT_EQ(b.refs, 2u);
        v = v; // self-assignment keeps the count
        EXPECT_EQ(a.refs, 2u);
        v = Variant::fromI4(1);
        EXPECT_EQ(a.refs, 1u);
        Variant d = Variant::fromDispatch(&b);
        d.swap(moved);
        EXPECT_EQ(b.refs, 3u);
    }
    EXPECT_EQ(a.refs, 1u);
    EXPECT_EQ(b.refs, 1u);
    const Variant nothing = Variant::fromUnknown(nullptr); // a reference to nothing
    EXPECT_TRUE(nothing.isObject());
    EXPECT_EQ(nothing.object(), nullptr);
}

TEST(Variant, DereferencedReadsThroughEachKindOfSlot) {
    QString text = QStringLiteral("abc");
    std::int32_t i4 = -7;
    std::int16_t flag = com::VARIANT_TRUE;
    Variant inner = Variant::byRef(&text);
    CountingObject obj;
    com::IUnknown* unk = &obj;

    EXPECT_EQ(Variant::byRef(&text).dereferenced().text(), text);
    EXPECT_EQ(Variant::byRef(&i4).dereferenced().i4(), -7);
    EXPECT_EQ(Variant::byRef(com::VT_BOOL, &flag).dereferenced().boolVal(), -1);
    const Variant chained = Variant::byRef(&inner); // Variant slot holding a text reference
    EXPECT_EQ(chained.dereferenced().vt(), com::VT_BSTR);
    EXPECT_EQ(chained.dereferenced().text(), text);
    {
        const Variant held = Variant::byRef(&unk).dereferenced();
        EXPECT_EQ(held.object(), &obj);
        EXPECT_EQ(obj.refs, 2u);
    }
    EXPECT_EQ(obj.refs, 1u);
}

TEST(Variant, ReferenceLoopsAndNullSlotsGiveErrorsNotHangs) {
    Variant loop;
    loop = Variant::byRef(&loop); // points at itself
    const Variant copy = loop;
    EXPECT_EQ(copy.dereferenced().scode(), com::DISP_E_BADVARTYPE);
    EXPECT_EQ(Variant::byRef(static_cast<QString*>(nullptr)).dereferenced().scode(),
              com::E_POINTER);
    EXPECT_EQ(Variant::byRef(static_cast<QString*>(nullptr)).storeThrough(Variant::fromI4(1)),
              com::E_POINTER);
}

TEST(Variant, StoreThroughConvertsOrRefuses) {
    QString text;
    std::int32_t i4 = 0;
    Variant slot;
    EXPECT_EQ(Variant::byRef(&slot).storeThrough(Variant::fromI4(3)), com::S_OK);
    EXPECT_EQ(slot.i4(), 3);
    EXPECT_EQ(Variant::byRef(&text).storeThrough(Variant::fromI4(12)), com::S_OK);
    EXPECT_EQ(text, QStringLiteral("12"));
    EXPECT_EQ(Variant::byRef(&text).storeThrough(Variant::null()), com::DISP_E_TYPEMISMATCH);
    EXPECT_EQ(text, QStringLiteral("12")); // unchanged on refusal
    EXPECT_EQ(Variant::byRef(&i4).storeThrough(Variant::fromI4(9)), com::S_OK);
    EXPECT_EQ(i4, 9);
    EXPECT_EQ(Variant::byRef(&i4).storeThrough(Variant::fromText(QStringLiteral("9"))),
              com::DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Variant::fromI4(1).storeThrough(Variant::fromI4(2)), com::E_INVALIDARG);
}

TEST(Variant, StoreThroughObjectSlotsMovesReferencesCorrectly) {
    CountingObject oldObj;
    CountingObject newObj;
    com::IUnknown* unkSlot = &oldObj;
    oldObj.AddRef(); // the slot's reference
    EXPECT_EQ(Variant::byRef(&unkSlot).storeThrough(Variant::fromUnknown(&newObj)), com::S_OK);
    EXPECT_EQ(unkSlot, &newObj);
    EXPECT_EQ(oldObj.refs, 1u);
    EXPECT_EQ(newObj.refs, 2u);                                             // the slot's
    EXPECT_EQ(Variant::byRef(&unkSlot).storeThrough(Variant()), com::S_OK); // Nothing
    EXPECT_EQ(unkSlot, nullptr);
    EXPECT_EQ(newObj.refs, 1u);
    EXPECT_EQ(Variant::byRef(&unkSlot).storeThrough(Variant::fromI4(1)), com::DISP_E_TYPEMISMATCH);

    // A dispatch slot takes only objects that offer IDispatch.
    CountingObject plain(false);
    CountingObject dispatching(true);
    com::IDispatch* dispSlot = nullptr;
    EXPECT_EQ(Variant::byRef(&dispSlot).storeThrough(Variant::fromUnknown(&plain)),
              com::DISP_E_TYPEMISMATCH);
    EXPECT_EQ(plain.refs, 1u);
    EXPECT_EQ(Variant::byRef(&dispSlot).storeThrough(Variant::fromUnknown(&dispatching)),
              com::S_OK);
    EXPECT_EQ(dispSlot, &dispatching);
    EXPECT_EQ(dispatching.refs, 2u);
    dispSlot->Release();
}

} // namespace
