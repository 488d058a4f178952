// The program's SQL texts, in its own dialect, run through the engine layer
// against a small register: the list query with every filter form (LIKE
// patterns, date literals, Null dates, types), the editor's and the types
// window's checks, and statements the engine must refuse with an error.

#include "store/engine_error.h"
#include "support/register_fixture.h"

#include <algorithm>

using store::EngineError;
using store::RecordsetType;

namespace {

class Statements : public RegisterTest {
protected:
    void SetUp() override {
        RegisterTest::SetUp();
        if (IsSkipped())
            return;
        const int invoice = addType(QStringLiteral("Invoice"));
        const int letter = addType(QStringLiteral("letter"));
        addType(QStringLiteral("Bill"));
        const QDate d(2004, 3, 7);
        add({1, "abc report", d.addDays(-10), "O'Brien", invoice, "first note"});
        add({2, "ABCDEF", d.addDays(-31), "smith", invoice, "Note with ABC"});
        add({3, "xyz", store::makeDate(QDate(2004, 2, 6), QTime(10, 0)), "Smith", letter, ""});
        add({4, "Ünïcode ÄBC", d.addDays(-400), "Émile", 0, "ä"});
        add({5, "no date abc", {}, "Jones", invoice, "*star*"});
        add({17, "keeps 120", d, "x", 0, ""});
        add({120, "the 120", d, "x", 0, ""});
    }
};

struct Case {
    const char* name;
    const char* sql;
    const char* ids;                 ///< expected IDs in order, comma separated
    const char* serverIds = nullptr; ///< where a server's linguistic order differs
};

class ListQueries : public Statements, public ::testing::WithParamInterface<Case> {};

TEST_P(ListQueries, ReturnTheRightRowsInOrder) {
    const char* ids = onServer() && GetParam().serverIds ? GetParam().serverIds : GetParam().ids;
    const QString expected = QString::fromUtf8(ids);
    EXPECT_EQ(query(QString::fromUtf8(GetParam().sql)).join(','), expected) << GetParam().sql;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ListQueries,
    ::testing::Values(
        // Invoice is type 1, the first of a new register; 2 is older than
        // 2/6/2004 and 5 has no date.
        Case{"AllFilters",
             "SELECT * FROM Documents  WHERE Description LIKE '*ABC*' AND  Date > #2/6/2004# AND  "
             "DocumentType = 1 ORDER BY ID DESC",
             "1"},
        Case{"Unfiltered", "SELECT * FROM Documents ORDER BY ID DESC", "120,17,5,4,3,2,1"},
        Case{"ByDescriptionIgnoringCase", "SELECT * FROM Documents ORDER BY DESCRIPTION",
             "1,2,17,5,120,3,4", "1,2,17,5,120,4,3"},
        Case{"FiltersOnButEmpty", "SELECT * FROM Documents  ORDER BY ID", "1,2,3,4,5,17,120"},
        Case{"LikeIgnoresCase",
             "SELECT * FROM Documents  WHERE Description LIKE '*abc*' ORDER BY ID", "1,2,5"},
        Case{"LikeBeyondAscii",
             "SELECT * FROM Documents  WHERE Description LIKE '*äbc*' ORDER BY ID", "4"},
        Case{"QuestionMarkIsOneCharacter",
             "SELECT * FROM Documents  WHERE Who LIKE '*SMIT?*' ORDER BY ID", "2,3"},
        Case{"StarInsideClass", "SELECT * FROM Documents  WHERE note LIKE '*[*]*' ORDER BY ID",
             "5"},
        Case{"DoubledApostrophe",
             "SELECT * FROM Documents  WHERE Who LIKE '*O''BRIEN*' ORDER BY ID", "1"},
        Case{"WhoAndNote",
             "SELECT * FROM Documents  WHERE Who LIKE '*smith*' AND Note LIKE '*abc*' ORDER BY ID",
             "2"},
        Case{"NullDatesNeverInARange",
             "SELECT * FROM Documents  WHERE  Date > #1/1/1900# ORDER BY ID", "1,2,3,4,17,120"},
        Case{"TimeOfDayIsLaterThanTheBareDate",
             "SELECT * FROM Documents  WHERE  Date > #2/6/2004# ORDER BY ID", "1,3,17,120"},
        Case{"OnlyAType", "SELECT * FROM Documents  WHERE  DocumentType = 0 ORDER BY ID",
             "4,17,120"},
        Case{"NoDate", "SELECT * FROM Documents  WHERE Date IS NULL ORDER BY ID", "5"},
        Case{"DuplicateIdTest", "SELECT * FROM Documents  WHERE RecordPtr <> 17 AND ID = 120",
             "120"},
        // ID 120 is the seventh document filed: it does not clash with itself.
        Case{"DuplicateIdTestOfItself",
             "SELECT * FROM Documents  WHERE RecordPtr <> 7 AND ID = 120", ""},
        Case{"InUseTest", "SELECT TOP 1 * FROM Documents WHERE DocumentType = 0", "4"},
        Case{"TopAndASemicolon", "SELECT TOP 2 * FROM Documents ORDER BY ID DESC;", "120,17"},
        // The same rows on both backends where a server's locale would
        // differ: a range given backwards holds nothing, the dotted
        // capital I is a letter of its own (no i), a class ignores case
        // beyond ASCII.
        Case{"BackwardRangeMatchesNothing",
             "SELECT * FROM Documents  WHERE Description LIKE '*[z-a]*' ORDER BY ID", ""},
        Case{"DottedCapitalIIsALetterOfItsOwn",
             "SELECT * FROM Documents  WHERE Note LIKE '*İ*' ORDER BY ID", ""},
        Case{"ClassBeyondAsciiIgnoresCase",
             "SELECT * FROM Documents  WHERE Who LIKE '[é]*' ORDER BY ID", "4"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(Statements, MaxIdIsNullOnAnEmptyTableAndTheLargestOtherwise) {
    auto rs = db.openRecordset(QStringLiteral("SELECT MAX(ID) AS MaxID FROM Documents"),
                               RecordsetType::Snapshot);
    EXPECT_EQ(rs->field("MaxID").toInt(), 120);
    rs->moveLast();
    EXPECT_EQ(rs->recordCount(), 1) << "an aggregate is one copied row";
    db.execute(QStringLiteral("DELETE FROM Documents"));
    rs = db.openRecordset(QStringLiteral("SELECT MAX(ID) AS MaxID FROM Documents"),
                          RecordsetType::Snapshot);
    ASSERT_FALSE(rs->eof());
    EXPECT_TRUE(store::isNull(rs->field("MaxID")));
}

TEST_F(Statements, TypeListsAreInCaseBlindNameOrder) {
    EXPECT_EQ(query(QStringLiteral("SELECT Type, RecordPtr FROM Types ORDER BY Type"), "Type"),
              (QStringList{"Bill", "Invoice", "letter"}));
    EXPECT_EQ(query(QStringLiteral("SELECT * FROM Types ORDER BY Type"), "Type").size(), 3);
    EXPECT_EQ(query(QStringLiteral("SELECT * FROM Types WHERE Type = 'INVOICE'"), "Type"),
              (QStringList{"Invoice"}));
}

TEST_F(Statements, DatesReadBackAsDatesAndNullStaysNull) {
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents ORDER BY ID"));
    EXPECT_EQ(store::dateOf(rs->field("Date")), QDate(2004, 2, 26));
    rs->findFirst(QStringLiteral("ID = 5"));
    EXPECT_TRUE(store::isNull(rs->field("Date")));
    EXPECT_EQ(rs->field("Note").toString(), "*star*");
    rs->findFirst(QStringLiteral("ID = 3"));
    EXPECT_EQ(rs->field("Note").toString(), "") << "an empty text is not Null";
    EXPECT_FALSE(store::isNull(rs->field("Note")));
}

struct Bad {
    const char* name;
    const char* sql;
    int number;
};

class Refused : public Statements, public ::testing::WithParamInterface<Bad> {};

TEST_P(Refused, WithANumberAndAText) {
    try {
        db.openRecordset(QString::fromUtf8(GetParam().sql));
        ADD_FAILURE() << "accepted: " << GetParam().sql;
    } catch (const EngineError& e) {
        EXPECT_EQ(e.number(), GetParam().number) << e.text().toStdString();
        EXPECT_FALSE(e.text().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Statements, Refused,
    ::testing::Values(
        Bad{"UnbalancedApostrophe", "SELECT * FROM Documents  WHERE Who LIKE '*O'BRIEN*'",
            store::err::SyntaxError},
        Bad{"UnknownField", "SELECT * FROM Documents WHERE Colour = 3", store::err::SyntaxError},
        Bad{"UnknownTable", "SELECT * FROM Folders", store::err::TableNotFound},
        Bad{"NoSuchDate", "SELECT * FROM Documents WHERE Date > #2/30/2004#",
            store::err::SyntaxError},
        Bad{"Gibberish", "SELEKT everything", store::err::SyntaxError}),
    [](const auto& p) { return std::string(p.param.name); });

} // namespace

// The program's own statements are descriptions that each backend writes
// in its own SQL; they must find what the same statements as text find.
TEST_F(Statements, DescriptionsFindWhatTheirTextsFind) {
    using store::query::Op;
    using store::query::Select;
    const auto ids = [this](const Select& q) {
        auto rs = db.openRecordset(q, RecordsetType::Snapshot);
        return column(*rs, QStringLiteral("ID"));
    };
    const auto documents = [] { return Select{QStringLiteral("Documents")}; };
    const auto like = [&](const char* field, const char* pattern) {
        Select q = documents();
        q.where({QString::fromUtf8(field), Op::Like, QString::fromUtf8(pattern)}).orderBy("ID");
        return ids(q);
    };
    EXPECT_EQ(like("Description", "*abc*").join(','), "1,2,5");
    EXPECT_EQ(like("Description", "*äbc*").join(','), "4");
    EXPECT_EQ(like("Who", "*SMIT?*").join(','), "2,3");
    EXPECT_EQ(like("note", "*[*]*").join(','), "5");
    EXPECT_EQ(like("Who", "[é]*").join(','), "4");
    EXPECT_EQ(like("Description", "*[!a-z]120").join(','), "17,120");
    EXPECT_EQ(like("Note", "*İ*").join(','), "");

    // Null first ascending and last descending, whatever the backend.
    Select byDate = documents();
    byDate.orderBy(QStringLiteral("Date")).orderBy(QStringLiteral("ID"));
    EXPECT_EQ(ids(byDate), query(QStringLiteral("SELECT * FROM Documents ORDER BY Date, ID")));
    EXPECT_EQ(ids(byDate).first(), "5");
    Select newest = documents();
    newest.orderBy(QStringLiteral("Date"), true).orderBy(QStringLiteral("ID"), true);
    EXPECT_EQ(ids(newest).last(), "5");
    newest.limit = 2;
    EXPECT_EQ(ids(newest).join(','), "120,17");

    Select filtered = documents();
    filtered.where({QStringLiteral("Date"), Op::Greater, store::makeDate(QDate(2004, 2, 6))})
        .where({QStringLiteral("Type"), Op::IsNull, {}});
    EXPECT_THROW(ids(filtered), EngineError) << "Documents has no field Type";
    filtered.conditions.pop_back();
    filtered.orderBy(QStringLiteral("ID"));
    EXPECT_EQ(ids(filtered).join(','), "1,3,17,120");
    Select types{QStringLiteral("Types"), {QStringLiteral("Type")}};
    types.where({QStringLiteral("Type"), Op::Equal, QStringLiteral("INVOICE")});
    auto rs = db.openRecordset(types, RecordsetType::Snapshot);
    EXPECT_EQ(column(*rs, QStringLiteral("Type")), QStringList{"Invoice"});
}

// The list reads its first screen with a limit before the whole list; the
// screen must be the whole list's head in each of the list's orders, also
// among rows the order holds equal (the same ID, the same description in
// other letter cases, Nulls), filtered or not, whichever plan the backend
// picks for each.
TEST_F(Statements, FirstRowsAreTheHeadOfTheWholeList) {
    using store::query::Op;
    for (int i = 0; i < 200; ++i)
        add({i % 5 == 0 ? -1 : 9 - i % 3, i % 2 ? "Same" : "sAME", {}, "x", i % 4 / 3, ""});
    db.execute(QStringLiteral("UPDATE Documents SET ID = Null WHERE ID = -1"));
    db.execute(QStringLiteral("UPDATE Documents SET Description = Null WHERE RecordPtr > 180"));
    for (const char* order : {"ID DESC", "DESCRIPTION", "ID"})
        for (const bool filtered : {false, true}) {
            store::query::Select q{QStringLiteral("Documents")};
            q.orderByText(QLatin1String(order));
            if (filtered)
                q.where({QStringLiteral("Description"), Op::Like, QStringLiteral("*am*")})
                    .where({QStringLiteral("DocumentType"), Op::Equal, 1});
            const QStringList whole = column(*db.openRecordset(q), QStringLiteral("RecordPtr"));
            for (const int limit : {1, 7, 30}) {
                q.limit = limit;
                EXPECT_EQ(column(*db.openRecordset(q), QStringLiteral("RecordPtr")),
                          whole.first(std::min<qsizetype>(limit, whole.size())))
                    << order << (filtered ? ", filtered" : "") << ", limit " << limit;
            }
        }
}

// A text ordered by what its select list names (an alias, a column's
// number) cannot be keyed by the table's rows; it is read whole instead.
TEST_F(Statements, OrderByTheSelectListIsReadWhole) {
    EXPECT_EQ(query(QStringLiteral("SELECT ID AS Number FROM Documents ORDER BY Number DESC"),
                    QStringLiteral("Number"))
                  .join(','),
              "120,17,5,4,3,2,1");
    EXPECT_EQ(query(QStringLiteral("SELECT ID FROM Documents ORDER BY 1")).join(','),
              "1,2,3,4,5,17,120");
}
