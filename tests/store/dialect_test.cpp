// Tests of the dialect translation: exact translations and refusals, the
// keyable-SELECT analysis, date literals and stored dates, and FindFirst
// criteria. The windows' statements are run after translation, through the
// engine, in statements_test.cpp.

#include "store/dialect.h"
#include "store/engine_error.h"

#include <cmath>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

namespace dialect = store::dialect;
using store::EngineError;

std::string str(const QString& s) {
    return s.toStdString();
}

QDateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

/// Runs `f`, expecting an EngineError; returns it (number 0 if none came).
template <typename F> EngineError errorOf(F f) {
    try {
        f();
    } catch (const EngineError& e) {
        return e;
    }
    return EngineError(0, QStringLiteral("no error"));
}

// --- translate -------------------------------------------------------------

TEST(DialectTranslate, ExactOutputs) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"SELECT * FROM Documents  WHERE Description LIKE '*ABC*' AND  Date > #2/6/2004# AND  "
         "DocumentType = 5 ORDER BY ID DESC",
         "SELECT * FROM Documents  WHERE Description LIKE '*ABC*' AND  Date > '2004-02-06' AND  "
         "DocumentType = 5 ORDER BY ID DESC"},
        {"SELECT TOP 1 * FROM Documents WHERE DocumentType = 3",
         "SELECT * FROM Documents WHERE DocumentType = 3 LIMIT 1"},
        {"SELECT MAX(ID) AS MaxID FROM Documents", "SELECT MAX(ID) AS MaxID FROM Documents"},
        {"SELECT * FROM Documents  WHERE RecordPtr <> 17 AND ID = 120",
         "SELECT * FROM Documents  WHERE RecordPtr <> 17 AND ID = 120"},
        {"SELECT * FROM Types WHERE Type = 'Men''s'", "SELECT * FROM Types WHERE Type = 'Men''s'"},
        {"  select top 5 * from Documents order by ID desc ; ",
         "  select * from Documents order by ID desc LIMIT 5"},
        {"SELECT DISTINCT TOP 2 Who FROM Documents", "SELECT DISTINCT Who FROM Documents LIMIT 2"},
        {"SELECT Topic FROM Documents", "SELECT Topic FROM Documents"},
        {"SELECT [Top] FROM Documents", "SELECT [Top] FROM Documents"},
        // A '#' inside quotes or a name is not a date.
        {"SELECT * FROM Documents WHERE Description LIKE '#2/6/2004#'",
         "SELECT * FROM Documents WHERE Description LIKE '#2/6/2004#'"},
        {"SELECT [Doc#], \"No#\" FROM Documents WHERE Note = 'a''#'",
         "SELECT [Doc#], \"No#\" FROM Documents WHERE Note = 'a''#'"},
        {"SELECT * FROM Documents WHERE Date >= #1/5/04# AND Date < #01/06/2004#",
         "SELECT * FROM Documents WHERE Date >= '2004-01-05' AND Date < '2004-01-06'"},
        {"SELECT * FROM Documents WHERE DateAdded = #12/31/99 10:30 PM#",
         "SELECT * FROM Documents WHERE DateAdded = '1999-12-31 22:30:00'"},
        // A comment is passed on as it is, and the LIMIT goes before it.
        {"SELECT TOP 2 * FROM Documents -- it's #1/1#\n",
         "SELECT * FROM Documents LIMIT 2 -- it's #1/1#"},
        {"SELECT TOP 2 * /* it's */ FROM Documents; -- end",
         "SELECT * /* it's */ FROM Documents LIMIT 2 -- end"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(str(dialect::translate(QString::fromUtf8(c.in))), c.out);
    }
}

TEST(DialectTranslate, MalformedStatementsAreSyntaxErrors) {
    const EngineError badDate = errorOf([] {
        dialect::translate(QStringLiteral("SELECT * FROM Documents WHERE Date > #2/30/2004#"));
    });
    EXPECT_EQ(badDate.number(), store::err::SyntaxError);
    EXPECT_EQ(str(badDate.text()), "Syntax error in date in query expression '#2/30/2004#'.");

    const char* refused[] = {
        "SELECT * FROM Documents WHERE Date > #2/6/2004",
        "SELECT * FROM Documents WHERE Date > #2004-02-06#",
        "SELECT * FROM Types WHERE Type = 'Men's'",
        "SELECT * FROM Types WHERE Type = 'Men",
        "SELECT * FROM [Types WHERE Type = 1",
        "SELECT \"Type FROM Types",
        "SELECT TOP * FROM Documents",
        "SELECT TOP 0 * FROM Documents",
        "SELECT TOP 1.5 * FROM Documents",
        "SELECT TOP 10 PERCENT * FROM Documents",
        "SELECT TOP 99999999999999999999 * FROM Documents",
    };
    for (const char* statement : refused) {
        SCOPED_TRACE(statement);
        const EngineError e = errorOf([&] { dialect::translate(QString::fromUtf8(statement)); });
        EXPECT_EQ(e.number(), store::err::SyntaxError);
    }
}

// --- analyseSelect ---------------------------------------------------------

TEST(DialectAnalyseSelect, KeyableStatements) {
    struct Case {
        const char* statement;
        const char* columns;
        const char* table;
        const char* tail;
    };
    const Case cases[] = {
        {"SELECT * FROM Documents", "*", "Documents", ""},
        {"SELECT * FROM Documents  WHERE Description LIKE '*ABC*' AND  Date > '2004-02-06' ORDER "
         "BY ID DESC",
         "*", "Documents",
         "  WHERE Description LIKE '*ABC*' AND  Date > '2004-02-06' ORDER BY ID DESC"},
        {"select Type, RecordPtr from [Types] order by Type", "Type, RecordPtr", "Types",
         " order by Type"},
        {"SELECT * FROM \"Doc\"\"s\" WHERE x = 1", "*", "Doc\"s", " WHERE x = 1"},
        {"SELECT * FROM Documents WHERE Description LIKE '*group by*'", "*", "Documents",
         " WHERE Description LIKE '*group by*'"},
        {"SELECT * FROM Documents WHERE Note = '(SELECT 1) UNION'", "*", "Documents",
         " WHERE Note = '(SELECT 1) UNION'"},
        {"SELECT * FROM Documents WHERE ID IN (1, 2) ORDER BY ID, Who LIMIT 1", "*", "Documents",
         " WHERE ID IN (1, 2) ORDER BY ID, Who LIMIT 1"},
        {"SELECT [Group], [From] FROM Documents;", "[Group], [From]", "Documents", ";"},
        {"SELECT * FROM Documents WHERE DocumentType = 3 LIMIT 1", "*", "Documents",
         " WHERE DocumentType = 3 LIMIT 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        const auto shape = dialect::analyseSelect(QString::fromUtf8(c.statement));
        ASSERT_TRUE(shape.has_value());
        EXPECT_EQ(str(shape->columns), c.columns);
        EXPECT_EQ(str(shape->table), c.table);
        EXPECT_EQ(str(shape->tail), c.tail);
    }
}

TEST(DialectAnalyseSelect, StatementsWithoutRowKeys) {
    const char* refused[] = {
        "SELECT MAX(ID) AS MaxID FROM Documents",
        "SELECT COUNT(*) FROM Documents",
        "SELECT UCASE(Who) FROM Documents",
        "SELECT DISTINCT Who FROM Documents",
        "SELECT Who FROM Documents GROUP BY Who",
        "SELECT Who FROM Documents WHERE ID > 1 group by Who having count(*) > 1",
        "SELECT * FROM Documents, Types",
        "SELECT * FROM Documents d WHERE d.ID = 1",
        "SELECT * FROM Documents INNER JOIN Types ON Documents.DocumentType = Types.RecordPtr",
        "SELECT * FROM Documents WHERE ID IN (SELECT ID FROM Types)",
        "SELECT * FROM Documents UNION SELECT * FROM Documents",
        "SELECT ID FROM Documents EXCEPT SELECT ID FROM Documents WHERE ID = 1",
        "SELECT * FROM Documents; DELETE FROM Documents",
        "SELECT * FROM (SELECT * FROM Documents)",
        "SELECT * FROM main.Documents",
        "SELECT 1",
        "SELECT FROM Documents",
        "UPDATE Documents SET ID = 1",
        "WITH d AS (SELECT * FROM Documents) SELECT * FROM d",
        "SELECT * FROM Documents WHERE Note = 'open",
        "SELECT * FROM Documents -- a comment could hide what the engine adds",
        "",
    };
    for (const char* statement : refused) {
        SCOPED_TRACE(statement);
        EXPECT_FALSE(dialect::analyseSelect(QString::fromUtf8(statement)).has_value());
    }
}

// --- dates -----------------------------------------------------------------

TEST(DialectDates, LiteralsThatParse) {
    struct Case {
        const char* body;
        QDateTime value;
    };
    const Case cases[] = {
        {"2/6/2004", at(2004, 2, 6)},
        {"02/06/2004", at(2004, 2, 6)},
        {" 2/6/2004 ", at(2004, 2, 6)},
        {"2/29/2004", at(2004, 2, 29)},
        {"12/31/99", at(1999, 12, 31)},
        {"1/1/00", at(2000, 1, 1)},
        {"1/1/29", at(2029, 1, 1)},
        {"1/1/30", at(1930, 1, 1)},
        {"1/1/0100", at(100, 1, 1)},
        {"2/6/2004 10:30", at(2004, 2, 6, 10, 30)},
        {"2/6/2004 0:05:09", at(2004, 2, 6, 0, 5, 9)},
        {"2/6/2004 23:59:59", at(2004, 2, 6, 23, 59, 59)},
        {"2/6/2004 10:30 pm", at(2004, 2, 6, 22, 30)},
        {"2/6/2004 10:30PM", at(2004, 2, 6, 22, 30)},
        {"2/6/2004 12:00 AM", at(2004, 2, 6, 0, 0)},
        {"2/6/2004 12:05:01 PM", at(2004, 2, 6, 12, 5, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        const auto value = dialect::parseDateLiteral(QString::fromUtf8(c.body));
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(*value, c.value);
        EXPECT_EQ(value->timeSpec(), Qt::UTC);
    }
}

TEST(DialectDates, LiteralsThatAreRefused) {
    const char* refused[] = {
        "2/30/2004",
        "13/1/2004",
        "0/1/2004",
        "1/0/2004",
        "2/29/2003",
        "1/1/204",
        "1/1/2",
        "1/1/0050",
        "2004-02-06",
        "2/6",
        "",
        "2/6/2004x",
        "2/6/200410:30",
        "2/6/2004 25:00",
        "2/6/2004 10:60",
        "2/6/2004 10:30:60",
        "2/6/2004 10",
        "2/6/2004 10:3",
        "2/6/2004 13:00 PM",
        "2/6/2004 0:30 AM",
        "2/6/2004 10:30 XM",
        "a/b/c",
        "-1/6/2004",
        "1//2004",
    };
    for (const char* body : refused) {
        SCOPED_TRACE(body);
        EXPECT_FALSE(dialect::parseDateLiteral(QString::fromUtf8(body)).has_value());
    }
}

TEST(DialectDates, StoredFormRoundTrips) {
    struct Case {
        QDateTime value;
        const char* stored;
    };
    const Case cases[] = {
        {at(2004, 2, 6), "2004-02-06"},
        {at(2004, 2, 6, 10, 30, 5), "2004-02-06 10:30:05"},
        {at(2004, 2, 6, 0, 0, 1), "2004-02-06 00:00:01"},
        {at(100, 1, 1), "0100-01-01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(str(dialect::storedDate(c.value)), c.stored);
        const QDateTime back = dialect::fromStoredDate(QString::fromUtf8(c.stored));
        EXPECT_EQ(back, c.value);
        EXPECT_EQ(back.timeSpec(), Qt::UTC);
    }
    // The wall-clock fields are stored whatever the time zone setting says.
    EXPECT_EQ(str(dialect::storedDate(QDateTime(QDate(2004, 2, 6), QTime(9, 0), Qt::LocalTime))),
              "2004-02-06 09:00:00");
    EXPECT_TRUE(dialect::storedDate(QDateTime()).isEmpty());
}

TEST(DialectDates, StoredTextThatIsNoDate) {
    const char* refused[] = {"",
                             "2004-2-6",
                             "2004-02-30",
                             "2004-02-06 25:00:00",
                             "2004-02-06 24:00",
                             "2004-02-06t10:00:00",
                             "2004-02-06 10:00:00.",
                             "2004-02-06 10:00:00+0200",
                             "2004-02-06Z",
                             " 2004-02-06",
                             "abcd-ef-gh",
                             "2/6/2004",
                             "10:00",
                             "now",
                             "0000-01-01",
                             "0001-01-01 00:30+01:00",
                             "9999-12-31 23:30-01:00",
                             "45000",
                             "1078000000"};
    for (const char* text : refused) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(dialect::fromStoredDate(QString::fromUtf8(text)).isValid());
    }
}

// Every form of a date another program may store is read as the date
// SQLite's own datetime() makes of it.
TEST(DialectDates, OtherFormsReadAsSqliteReadsThem) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT datetime(?1)", -1, &st, nullptr), SQLITE_OK);
    const auto sqlite = [&](const char* text) {
        sqlite3_reset(st);
        sqlite3_bind_text(st, 1, text, -1, SQLITE_STATIC);
        sqlite3_step(st);
        const auto* out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        return out ? QString::fromUtf8(out) : QString();
    };
    const char* forms[] = {"2024-05-06",
                           "2024-05-06 07:08",
                           "2024-05-06 07:08:09.123456",
                           "2024-05-06T07:08:09",
                           "2024-05-06TT07:08",
                           "2024-05-06 \t07:08:09 ",
                           "2024-05-06 07:08:09Z",
                           "2024-05-06 07:08:09.5 z",
                           "2024-05-06T07:08:09+02:00",
                           "2024-05-06T23:30:00-05:00",
                           "2024-01-01 00:30:00 +14:00",
                           "2024-05-06 23:59:59.9999",
                           "2460436.5",
                           "2460436.75"};
    for (const char* text : forms) {
        SCOPED_TRACE(text);
        const QDateTime read = dialect::fromStoredDate(QString::fromUtf8(text));
        ASSERT_TRUE(read.isValid());
        EXPECT_EQ(read.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), sqlite(text));
    }
    EXPECT_EQ(dialect::fromJulianDay(2460436.5),
              QDateTime(QDate(2024, 5, 6), QTime(0, 0), Qt::UTC));
    EXPECT_FALSE(dialect::fromJulianDay(std::nan("")).isValid());
    sqlite3_finalize(st);
    sqlite3_close(db);
}

TEST(DialectDates, DateColumnsAreWrappedWhereTheyAreNamed) {
    EXPECT_EQ(dialect::wrapNames(QStringLiteral(" WHERE Date > '2004-01-01' AND date(x) = 'Date' "
                                                "AND \"dateadded\" IS NULL ORDER BY [Date] DESC, "
                                                "t.Date, Dated"),
                                 {QStringLiteral("Date"), QStringLiteral("DateAdded")},
                                 QStringLiteral("f(%1)")),
              QStringLiteral(" WHERE f(Date) > '2004-01-01' AND date(x) = 'Date' AND "
                             "f(\"dateadded\") IS NULL ORDER BY f([Date]) DESC, t.Date, Dated"));
}

// --- parseCriterion --------------------------------------------------------

TEST(DialectCriterion, ConditionsAndValueTypes) {
    struct Expected {
        const char* field;
        const char* op;
        QVariant value;
    };
    struct Case {
        const char* criterion;
        std::vector<Expected> conditions;
    };
    const Case cases[] = {
        {"RecordPtr = 7", {{"RecordPtr", "=", 7}}},
        {"RecordPtr=7", {{"RecordPtr", "=", 7}}},
        {"  ID = 120 AND DocumentType <> 3 ", {{"ID", "=", 120}, {"DocumentType", "<>", 3}}},
        {"a<=1 and b>=2 AnD c<3 AND d>4",
         {{"a", "<=", 1}, {"b", ">=", 2}, {"c", "<", 3}, {"d", ">", 4}}},
        {"[Date] >= #2/6/2004#", {{"Date", ">=", at(2004, 2, 6)}}},
        {"[Date Added] = #2/6/2004 1:00 PM#", {{"Date Added", "=", at(2004, 2, 6, 13)}}},
        {"Type = 'Men''s'", {{"Type", "=", QStringLiteral("Men's")}}},
        {"Type = \"Invoice\"", {{"Type", "=", QStringLiteral("Invoice")}}},
        {"Type = ''", {{"Type", "=", QString("")}}},
        {"Type = 'x AND y = 1'", {{"Type", "=", QStringLiteral("x AND y = 1")}}},
        {"Description like '*abc*'", {{"Description", "LIKE", QStringLiteral("*abc*")}}},
        {"ID = -5", {{"ID", "=", -5}}},
        {"ID = 3000000000", {{"ID", "=", qlonglong(3000000000LL)}}},
        {"Amount <= 1.5", {{"Amount", "<=", 1.5}}},
        {"Amount > .5", {{"Amount", ">", 0.5}}},
        {"Amount > -0.25", {{"Amount", ">", -0.25}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.criterion);
        const auto conditions = dialect::parseCriterion(QString::fromUtf8(c.criterion));
        ASSERT_EQ(conditions.size(), c.conditions.size());
        for (std::size_t i = 0; i < conditions.size(); ++i) {
            EXPECT_EQ(str(conditions[i].field), c.conditions[i].field);
            EXPECT_EQ(str(conditions[i].op), c.conditions[i].op);
            EXPECT_EQ(conditions[i].value.typeId(), c.conditions[i].value.typeId());
            EXPECT_EQ(conditions[i].value, c.conditions[i].value);
        }
    }
}

TEST(DialectCriterion, MalformedCriteriaAreExpressionErrors) {
    const char* refused[] = {
        "Type = 'Men's'",
        "Type = 'Men",
        "",
        "   ",
        "RecordPtr",
        "RecordPtr =",
        "= 7",
        "7 = RecordPtr",
        "RecordPtr = 7 AND",
        "RecordPtr = 7 OR ID = 1",
        "RecordPtr == 7",
        "RecordPtr = 7 8",
        "ID = 12abc",
        "ID = 1.",
        "ID = 1.2.3",
        "ID = -",
        "ID = Null",
        "Date = #2/30/2004#",
        "Date = #2/6/2004",
        "[Date = 1",
        "[] = 1",
        "ID NOT LIKE 'a'",
    };
    for (const char* criterion : refused) {
        SCOPED_TRACE(criterion);
        const EngineError e =
            errorOf([&] { dialect::parseCriterion(QString::fromUtf8(criterion)); });
        EXPECT_EQ(e.number(), store::err::ExpressionError);
        EXPECT_NE(e.text().indexOf(QString::fromUtf8(criterion)), -1) << str(e.text());
    }
}

} // namespace
