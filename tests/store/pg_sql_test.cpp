// Tests of the server's rewrite of engine SQL: exact rewrites of the forms
// it promises (names, parameters, LIKE, Null order, texts and comments left
// alone), and what it refuses. The rewritten statements are run on a
// server by the statement tests (statements_test.cpp) and compared with a
// register file's rows by outside_sql_test.cpp.

#include "store/engine_error.h"
#include "store/postgres/pg_sql.h"

#include <gtest/gtest.h>

namespace {

using store::postgres::rewrite;

TEST(PgRewrite, ExactRewrites) {
    struct Case {
        const char* what;
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"quoted names folded; the register's fields quoted, not functions",
         "SELECT [Doc ID], \"MixedCase\", `Back``q`, Date, date(Date), t.Type FROM Documents",
         "SELECT \"doc id\", \"mixedcase\", \"back`q\", \"date\", date(\"date\"), t.\"type\" FROM "
         "Documents"},
        {"parameters numbered as SQLite numbers them; compared texts made case-blind",
         "SELECT * FROM Documents WHERE ID = ? AND Who = ?3 OR DocumentType = ?",
         "SELECT * FROM Documents WHERE \"id\" = $1 AND \"who\" COLLATE register_text = $3 OR "
         "\"documenttype\" = $4"},
        {"LIKE: ILIKE for ASCII, an expression for the rest, a number as text",
         "SELECT * FROM Documents WHERE Description LIKE '*a_b%*' AND Who NOT LIKE 'é*' AND ID "
         "LIKE '1#' AND upper(Who) NOT LIKE 'A[b-c]'",
         "SELECT * FROM Documents WHERE (\"description\" COLLATE \"C\") ILIKE '%a\\_b\\%%' AND "
         "(\"who\" COLLATE \"C\") !~ '^[\\u00c9\\u00e9].*$' AND (CAST(\"id\" AS text) COLLATE "
         "\"C\") ~ '^\\u0031[0-9]$' AND (CAST(upper(\"who\") AS text) COLLATE \"C\") !~ "
         "'^[\\u0041\\u0061][\\u0042-\\u0043\\u0062-\\u0063]$'"},
        {"a date as the file's text; a field in parentheses after a keyword",
         "SELECT ID FROM Documents WHERE Date LIKE '*-06' OR NOT (Who) LIKE 'a'",
         "SELECT \"id\" FROM Documents WHERE (to_char(\"date\", CASE WHEN CAST(\"date\" AS time) = "
         "'00:00' THEN 'YYYY-MM-DD' ELSE 'YYYY-MM-DD HH24:MI:SS' END) COLLATE \"C\") ILIKE "
         "'%-06' OR NOT ((\"who\") COLLATE \"C\") ILIKE 'a'"},
        {"Null first ascending, last descending; a counter and a given place left",
         "SELECT * FROM Documents ORDER BY Who, Date DESC, RecordPtr, ID DESC NULLS FIRST LIMIT 3",
         "SELECT * FROM Documents ORDER BY \"who\" COLLATE register_text NULLS FIRST, \"date\" "
         "DESC NULLS LAST, \"recordptr\", \"id\" DESC NULLS FIRST LIMIT 3"},
        {"texts untouched; a comment is a space, its quote opens nothing",
         "SELECT * FROM Documents WHERE Note = 'Date LIKE ? ORDER BY [x]' -- it's\n"
         "ORDER BY Who /* ' */",
         "SELECT * FROM Documents WHERE \"note\" COLLATE register_text = 'Date LIKE ? ORDER BY "
         "[x]'  \nORDER BY \"who\" COLLATE register_text NULLS FIRST  "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(rewrite(QString::fromUtf8(c.in)).sql.toStdString(), c.out);
    }

    const auto insert =
        rewrite(QStringLiteral("INSERT INTO [Documents] (ID, Note) VALUES (?, ?) -- ?9"));
    EXPECT_EQ(insert.insertTable, QStringLiteral("documents"));
    EXPECT_EQ(insert.parameterCount, 2);
    const auto pattern = rewrite(QStringLiteral("SELECT ID FROM Documents WHERE Note LIKE ?2 "
                                                "AND Who LIKE 'a' AND ID = ?1"));
    EXPECT_EQ(pattern.patternParams, std::set<int>{2});
    EXPECT_NE(pattern.sql.indexOf(QLatin1String("(\"note\" COLLATE \"C\") ~ $2")), -1);
}

TEST(PgRewrite, MalformedStatementsAreRefused) {
    const char* refused[] = {
        "SELECT 'open",
        "SELECT [open",
        "SELECT \"open",
        "SELECT * FROM Documents WHERE Who LIKE",
        "SELECT * FROM Documents WHERE LIKE 'a'",
        "SELECT * FROM Documents WHERE (LIKE 'a')",
        "SELECT * FROM Documents WHERE Who LIKE 'a' ESCAPE '!'",
        "SELECT * FROM Documents WHERE Who LIKE Note",
        "SELECT * FROM Documents WHERE Who LIKE 'a' || '*'",
        "SELECT * FROM Documents WHERE Who LIKE ? + 1",
        "SELECT * FROM Documents WHERE 'b' < Who LIKE 'a'",
        "SELECT ?0",
        "SELECT ?32767",
        "SELECT ?99999999999",
    };
    for (const char* statement : refused) {
        SCOPED_TRACE(statement);
        try {
            rewrite(QString::fromUtf8(statement));
            ADD_FAILURE() << "accepted";
        } catch (const store::EngineError& e) {
            EXPECT_EQ(e.number(), store::err::SyntaxError);
        }
    }
}

} // namespace
