// The blank-test component's rule, and Brellox's use of it: one object per
// thread, made on first use, and what rtnOpenSnapShot does when it cannot
// be made.

#include "brellox_fixture.h"
#include "platform/com/activation.h"
#include "platform/com/error_info.h"
#include "platform/counting_object.h"

#include <thread>

using com::Variant;

namespace {

class BlankComponent : public BrelloxTest {
protected:
    /// Opens with `where` and `order` supplied (nullptr: omitted) on a new
    /// thread, which has no blank-test object yet.
    com::HRESULT openOnNewThread(Variant where, Variant* order = nullptr) {
        com::HRESULT hr = com::E_UNEXPECTED;
        std::thread([&] { hr = openHere(&where, order); }).join();
        return hr;
    }
    /// Opens on this thread with its own connection and clsAccess, as
    /// objects belong to the thread that made them.
    com::HRESULT openHere(Variant* where, Variant* order = nullptr) {
        const auto here = brellox::wrapDatabase(store::Database::open(db.location()));
        com::Ptr<brellox::_clsAccess> local;
        const com::HRESULT made = com::CoCreateInstance(brellox::CLSID_clsAccess,
                                                        brellox::IID_clsAccess, local.putVoid());
        if (com::failed(made))
            return made;
        brellox::IEngineRecordset* rs = nullptr;
        brellox::IEngineDatabase* dbp = here.get();
        QString what = QStringLiteral("*");
        QString from = QStringLiteral("Documents");
        const com::HRESULT hr = local->rtnOpenSnapShot(&rs, &dbp, &what, &from, where, order);
        if (rs)
            rs->Release();
        if (com::failed(hr))
            lastError = com::takeErrorInfo().value_or(com::ErrorInfo{});
        return hr;
    }
    void unregisterBlankTest() {
        ASSERT_EQ(callExport(BLANKTEST_LIBRARY, "DllUnregisterServer"), com::S_OK);
    }

    com::ErrorInfo lastError; ///< of the last failed openHere
};

TEST_F(BlankComponent, EmptyNullAndAllSpaceTextAreBlank) {
    com::Ptr<blanktest::IBlankTest> blank;
    ASSERT_EQ(com::CoCreateInstance(blanktest::CLSID_BlankTest, blanktest::IID_IBlankTest,
                                    blank.putVoid()),
              com::S_OK);
    QString spaces = QStringLiteral("   ");
    Variant inner = Variant::fromText(QString());
    const struct {
        const char* what;
        Variant value;
        bool blank;
    } cases[] = {
        {"Empty", Variant(), true},
        {"Null", Variant::null(), true},
        {"empty text", Variant::fromText(QString()), true},
        {"spaces", Variant::fromText(QStringLiteral("    ")), true},
        {"spaces by reference", Variant::byRef(&spaces), true},
        {"empty text through a Variant reference", Variant::byRef(&inner), true},
        {"a word", Variant::fromText(QStringLiteral(" x ")), false},
        {"a tab is not a space", Variant::fromText(QStringLiteral("\t")), false},
        {"zero", Variant::fromI4(0), false},
        {"False", Variant::fromBool(false), false},
        {"a date", Variant::fromDate(0), false},
    };
    for (const auto& c : cases) {
        Variant v = c.value;
        com::VARIANT_BOOL answer = 7;
        ASSERT_EQ(blank->fnIsBlank(&v, &answer), com::S_OK) << c.what;
        EXPECT_EQ(answer, c.blank ? com::VARIANT_TRUE : com::VARIANT_FALSE) << c.what;

        // The same through its dispatch interface.
        com::DispParams params{&v, nullptr, 1, 0};
        Variant result;
        ASSERT_EQ(blank->Invoke(blanktest::DISPID_fnIsBlank, com::IID_NULL, 0, com::DISPATCH_METHOD,
                                &params, &result, nullptr, nullptr),
                  com::S_OK);
        EXPECT_EQ(result.boolVal(), c.blank ? com::VARIANT_TRUE : com::VARIANT_FALSE) << c.what;
    }
    CountingObject obj;
    Variant object = Variant::fromUnknown(&obj);
    com::VARIANT_BOOL answer = 7;
    EXPECT_EQ(blank->fnIsBlank(&object, &answer), com::DISP_E_TYPEMISMATCH);
    EXPECT_EQ(answer, com::VARIANT_FALSE);
}

TEST_F(BlankComponent, WithoutTheComponentOnlyOmittedClausesStillWork) {
    addDocuments(1);
    unregisterBlankTest();
    EXPECT_EQ(openOnNewThread(Variant::fromText(QStringLiteral("ID = 1"))),
              com::REGDB_E_CLASSNOTREG);
    EXPECT_TRUE(lastError.description.contains(blanktest::CLSID_BlankTest.toString()));
    Variant order = Variant::fromText(QStringLiteral("ID"));
    EXPECT_EQ(openOnNewThread(Variant::missing(), &order), com::REGDB_E_CLASSNOTREG);
    EXPECT_EQ(openOnNewThread(Variant::missing()), com::S_OK); // never needed

    // Registered again, the next use finds it: a failed creation is not
    // remembered.
    ASSERT_EQ(callExport(BLANKTEST_LIBRARY, "DllRegisterServer"), com::S_OK);
    EXPECT_EQ(openOnNewThread(Variant::fromText(QStringLiteral("ID = 1"))), com::S_OK);
}

TEST_F(BlankComponent, EachThreadKeepsTheObjectItMadeFirst) {
    addDocuments(1);
    std::thread([&] {
        Variant where = Variant::fromText(QStringLiteral("ID = 1"));
        EXPECT_EQ(openHere(&where), com::S_OK);
        unregisterBlankTest();
        // This thread made its object before: it keeps using it.
        EXPECT_EQ(openHere(&where), com::S_OK);
    }).join();
    // Another thread has none and can make none now.
    EXPECT_EQ(openOnNewThread(Variant::fromText(QStringLiteral("ID = 1"))),
              com::REGDB_E_CLASSNOTREG);
}

} // namespace
