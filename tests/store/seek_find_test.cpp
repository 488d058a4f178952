// Seek on the named indexes of a table recordset and FindFirst on query
// results: matches, misses (NoMatch, cursor kept), index order without
// regard to the case of A to Z (letters beyond ASCII in code point order),
// and malformed criteria.

#include "support/register_fixture.h"

using store::EngineError;
using store::RecordsetType;

namespace {

class SeekFind : public RegisterTest {
protected:
    void SetUp() override {
        RegisterTest::SetUp();
        if (IsSkipped())
            return;
        ptrs = {add({10, "invoice 1997", {}, "Smith"}), add({11, "Invoice 1998", {}, "émile"}),
                add({12, "Zebra", {}, "Émilie"}), add({13, "apple", {}, "adams"}),
                add({14, "Ärger", {}, "Baker"})};
    }
    std::vector<int> ptrs;
};

TEST_F(SeekFind, SeekEqualOnRecordPtrFindsTheRowOrSetsNoMatch) {
    auto rs = db.openRecordset(QStringLiteral("Documents"), RecordsetType::Table);
    rs->setIndex(QStringLiteral("RecordPtr"));
    rs->seek(QStringLiteral("="), ptrs[2]);
    ASSERT_FALSE(rs->noMatch());
    EXPECT_EQ(rs->field("Description").toString(), "Zebra");
    rs->seek(QStringLiteral("="), 9999);
    EXPECT_TRUE(rs->noMatch());
}

TEST_F(SeekFind, SeekGreaterWalksTheIndexInCaseBlindOrder) {
    auto rs = db.openRecordset(QStringLiteral("Documents"), RecordsetType::Table);
    rs->setIndex(QStringLiteral("Description"));
    rs->seek(QStringLiteral(">"), QStringLiteral("INV"));
    ASSERT_FALSE(rs->noMatch());
    QStringList walked;
    for (; !rs->eof(); rs->moveNext())
        walked << rs->field("Description").toString();
    if (onServer()) {
        // The server's order is linguistic: Ä sorts with A, before INV.
        EXPECT_EQ(walked, (QStringList{"invoice 1997", "Invoice 1998", "Zebra"}));
        rs->seek(QStringLiteral("="), QStringLiteral("\u00e4RGER"));
        EXPECT_EQ(rs->field("Description").toString(), "Ärger") << "ä and Ä are one key";
        return;
    }
    EXPECT_EQ(walked, (QStringList{"invoice 1997", "Invoice 1998", "Zebra", "Ärger"}));
    rs->seek(QStringLiteral(">"), QStringLiteral("zz"));
    EXPECT_FALSE(rs->noMatch()) << "Ä sorts after Z by code point";
    rs->seek(QStringLiteral(">"), QStringLiteral("\u00e4rger"));
    EXPECT_TRUE(rs->noMatch()) << "ä is a key of its own, above Ä";
}

TEST_F(SeekFind, WhoIndexOrdersLettersBeyondAscii) {
    auto rs = db.openRecordset(QStringLiteral("Documents"), RecordsetType::Table);
    rs->setIndex(QStringLiteral("Who"));
    rs->seek(QStringLiteral(">"), QStringLiteral("b"));
    QStringList walked;
    for (; !rs->eof(); rs->moveNext())
        walked << rs->field("Who").toString();
    // A file orders them after Z by code point, capitals first; a server
    // sorts é with e, case ignored.
    const QStringList expected = onServer() ? QStringList{"Baker", "émile", "Émilie", "Smith"}
                                            : QStringList{"Baker", "Smith", "Émilie", "émile"};
    EXPECT_EQ(walked, expected);
}

TEST_F(SeekFind, TableRecordsetSeesRowsStoredAfterItOpened) {
    auto rs = db.openRecordset(QStringLiteral("Documents"), RecordsetType::Table);
    rs->setIndex(QStringLiteral("Description"));
    add(store::Database::open(location()), {20, "Invoice 2001"});
    rs->seek(QStringLiteral(">"), QStringLiteral("invoice 1998"));
    ASSERT_FALSE(rs->noMatch());
    EXPECT_EQ(rs->field("Description").toString(), "Invoice 2001");
}

TEST_F(SeekFind, SeekNeedsATableAndAKnownIndex) {
    auto table = db.openRecordset(QStringLiteral("Documents"), RecordsetType::Table);
    EXPECT_THROW(table->setIndex(QStringLiteral("NoSuchIndex")), EngineError);
    EXPECT_THROW(table->seek(QStringLiteral("="), 1), EngineError) << "no current index";
    auto dynaset = db.openRecordset(QStringLiteral("Documents"));
    EXPECT_THROW(dynaset->setIndex(QStringLiteral("RecordPtr")), EngineError);
}

struct FindCase {
    const char* name;
    const char* criterion;
    int expectedId; ///< 0: no match
};

class FindFirst : public SeekFind, public ::testing::WithParamInterface<FindCase> {};

TEST_P(FindFirst, SearchesFromTheStartAndKeepsTheCursorOnAMiss) {
    addType(QStringLiteral("Men's"));
    db.execute(QStringLiteral("UPDATE Documents SET DocumentType = 1 WHERE ID = 13"));
    for (auto type : {RecordsetType::Dynaset, RecordsetType::Snapshot}) {
        auto rs =
            db.openRecordset(QStringLiteral("SELECT * FROM Documents ORDER BY ID DESC"), type);
        rs->moveLast();
        QString criterion = QString::fromUtf8(GetParam().criterion);
        criterion.replace(QLatin1String("$PTR"), QString::number(ptrs[1]));
        rs->findFirst(criterion);
        if (GetParam().expectedId == 0) {
            EXPECT_TRUE(rs->noMatch());
            EXPECT_EQ(rs->field("ID").toInt(), 10) << "cursor stays where it was";
        } else {
            EXPECT_FALSE(rs->noMatch());
            EXPECT_EQ(rs->field("ID").toInt(), GetParam().expectedId);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Criteria, FindFirst,
    ::testing::Values(FindCase{"RecordPtr", "RecordPtr = $PTR", 11},
                      FindCase{"RecordPtrMiss", "RecordPtr = 99999", 0},
                      FindCase{"Id", "ID = 12", 12}, FindCase{"IdMiss", "ID = 120", 0},
                      FindCase{"TextCaseBlind", "Description = 'ZEBRA'", 12},
                      FindCase{"TwoConditions", "DocumentType = 1 AND Who = 'adams'", 13},
                      FindCase{"Greater", "ID > 11", 14}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(SeekFind, MalformedCriteriaRaiseEngineErrors) {
    auto rs = db.openRecordset(QStringLiteral("Documents"));
    // Every malformed form is in dialect_test.cpp; one shows FindFirst passes
    // the parser's error on.
    EXPECT_EQ(errorOf([&] { rs->findFirst(QStringLiteral("Type = 'Men's'")); }),
              store::err::ExpressionError);
    EXPECT_EQ(errorOf([&] { rs->findFirst(QStringLiteral("NoSuchField = 3")); }),
              store::err::ItemNotFound);
}

} // namespace
