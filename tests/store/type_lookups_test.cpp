// The type lookups against real registers: the blank test, both lookups
// (including names with quotes and types added after a lookup), and type
// numbers beyond 16 bits refused.

#include "store/engine_error.h"
#include "store/type_lookups.h"
#include "support/register_fixture.h"

using store::fnIsBlank;

namespace {

class TypeLookupTest : public RegisterTest {};

} // namespace

TEST(TypeLookups, BlankMeansOnlySpaces) {
    const std::pair<const char*, bool> cases[] = {{"", true},   {"   ", true}, {" a ", false},
                                                  {"a", false}, {"\t", false}, {" \t ", false}};
    for (const auto& [text, blank] : cases)
        EXPECT_EQ(fnIsBlank(QString::fromLatin1(text)), blank) << '"' << text << '"';
}

TEST_F(TypeLookupTest, NamesAndNumbersTranslateBothWays) {
    const int b = addType(QStringLiteral("B"));
    const int padded = addType(QStringLiteral("Padded  "));
    const int quoted = addType(QStringLiteral("O'Brien's"));
    EXPECT_EQ(store::fnTypeName(db, static_cast<qint16>(b)), QStringLiteral("B"));
    EXPECT_EQ(store::fnTypeName(db, static_cast<qint16>(padded)),
              QStringLiteral("Padded  ")); // as stored
    EXPECT_EQ(store::fnTypeName(db, 0), QString());
    EXPECT_EQ(store::fnTypeName(db, -3), QString());
    EXPECT_EQ(store::fnTypeRecordPtr(db, QStringLiteral("B")), b);
    EXPECT_EQ(store::fnTypeRecordPtr(db, QStringLiteral("O'Brien's")), quoted);
    EXPECT_EQ(store::fnTypeRecordPtr(db, QStringLiteral("Nope")), 0);
    EXPECT_EQ(store::fnTypeRecordPtr(db, QStringLiteral("'")), 0);
    // A type added after a lookup is found by the next call of either.
    const int added = addType(QStringLiteral("Later"));
    EXPECT_EQ(store::fnTypeName(db, static_cast<qint16>(added)), QStringLiteral("Later"));
    EXPECT_EQ(store::fnTypeRecordPtr(db, QStringLiteral("Later")), added);
}

TEST_F(TypeLookupTest, NumbersOutsideSixteenBitsAreRefusedByEveryLookup) {
    db.execute(QStringLiteral("INSERT INTO Types (RecordPtr, Type) VALUES (70000, 'Far')"));
    EXPECT_THROW(store::fnTypeRecordPtr(db, QStringLiteral("Far")), store::EngineError);
    EXPECT_THROW(store::typeList(db), store::EngineError);
}
