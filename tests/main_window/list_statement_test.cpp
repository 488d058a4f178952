// The list statement's exact text for the filter combinations the window
// builds: the worked example and its other date ranges, the doubled blanks,
// the lower-case "note", apostrophes doubled, "No Date", and Contents.

#include "main_window/list_statement.h"

#include <gtest/gtest.h>

namespace {

ListFilter on(QString d, QString w, QString n, int dateIndex, std::optional<qint16> type,
              QString order = QStringLiteral("ID DESC")) {
    ListFilter f;
    f.filterOn = true;
    f.description = std::move(d);
    f.who = std::move(w);
    f.note = std::move(n);
    f.days = fnDateRangeDays(dateIndex);
    f.noDate = fnIsNoDateChoice(dateIndex);
    f.type = type;
    f.orderBy = std::move(order);
    f.today = QDate(2004, 3, 7);
    return f;
}

struct Case {
    const char* name;
    ListFilter filter;
    const char* statement;
};

} // namespace

TEST(ListStatement, ExactTextForEachCombination) {
    const QString none;
    const Case cases[] = {
        {"worked example", on("ABC", none, none, 1, 5),
         "SELECT * FROM Documents  WHERE Description LIKE '*ABC*' AND  Date > #2/6/2004# AND  "
         "DocumentType = 5 ORDER BY ID DESC"},
        {"60 days", on("ABC", none, none, 2, 5),
         "SELECT * FROM Documents  WHERE Description LIKE '*ABC*' AND  Date > #1/7/2004# AND  "
         "DocumentType = 5 ORDER BY ID DESC"},
        {"90 days", on("ABC", none, none, 3, 5),
         "SELECT * FROM Documents  WHERE Description LIKE '*ABC*' AND  Date > #12/8/2003# AND  "
         "DocumentType = 5 ORDER BY ID DESC"},
        {"last year across a leap day", on("ABC", none, none, 4, 5),
         "SELECT * FROM Documents  WHERE Description LIKE '*ABC*' AND  Date > #3/8/2003# AND  "
         "DocumentType = 5 ORDER BY ID DESC"},
        {"filters on, nothing chosen", on(none, none, none, 0, std::nullopt, "DESCRIPTION"),
         "SELECT * FROM Documents  ORDER BY DESCRIPTION"},
        {"all three texts, trimmed", on("  A ", " B", "C  ", 0, std::nullopt),
         "SELECT * FROM Documents  WHERE Description LIKE '*A*' AND Who LIKE '*B*' AND Note "
         "LIKE '*C*' ORDER BY ID DESC"},
        {"who and note", on(none, "SMITH", "X", 0, std::nullopt),
         "SELECT * FROM Documents  WHERE Who LIKE '*SMITH*' AND Note LIKE '*X*' ORDER BY ID "
         "DESC"},
        {"note alone in lower case", on(none, none, "X", 0, std::nullopt, "ID"),
         "SELECT * FROM Documents  WHERE note LIKE '*X*' ORDER BY ID"},
        {"date alone", on(none, none, none, 1, std::nullopt),
         "SELECT * FROM Documents  WHERE  Date > #2/6/2004# ORDER BY ID DESC"},
        {"type alone, negative number", on(none, none, none, 0, -3),
         "SELECT * FROM Documents  WHERE  DocumentType = -3 ORDER BY ID DESC"},
        {"apostrophe doubled", on("O'BRIEN", "D'ARCY", none, 0, std::nullopt),
         "SELECT * FROM Documents  WHERE Description LIKE '*O''BRIEN*' AND Who LIKE "
         "'*D''ARCY*' ORDER BY ID DESC"},
        {"no date alone", on(none, none, none, 5, std::nullopt),
         "SELECT * FROM Documents  WHERE  Date IS NULL ORDER BY ID DESC"},
        {"no date with text and type", on("A", none, none, 5, 2),
         "SELECT * FROM Documents  WHERE Description LIKE '*A*' AND  Date IS NULL AND  "
         "DocumentType = 2 ORDER BY ID DESC"},
        {"blank texts count as empty", on("   ", none, none, 0, std::nullopt),
         "SELECT * FROM Documents  ORDER BY ID DESC"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fnListStatement(c.filter), QLatin1String(c.statement)) << c.name;
}

TEST(ListStatement, FiltersOffIgnoreEveryFilter) {
    ListFilter f = on("ABC", "W", "N", 1, 5, "DESCRIPTION");
    f.filterOn = false;
    EXPECT_EQ(fnListStatement(f), QStringLiteral("SELECT * FROM Documents ORDER BY DESCRIPTION"));
}

TEST(ListStatement, DateIsMonthFirstWithFourDigitYearInAnyLocale) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ListFilter f = on(QString(), QString(), QString(), 1, std::nullopt);
    f.today = QDate(2010, 1, 15);
    EXPECT_EQ(
        fnListStatement(f),
        QStringLiteral("SELECT * FROM Documents  WHERE  Date > #12/16/2009# ORDER BY ID DESC"));
    QLocale::setDefault(saved);
}

TEST(ListStatement, ContentsMatchesTheFilesTextByTheSamePatternRule) {
    ListFilter f = on("ABC", QString(), QString(), 0, 2);
    f.contents = QStringLiteral(" O'NEIL ");
    EXPECT_EQ(fnListStatement(f),
              QStringLiteral("SELECT * FROM Documents  WHERE Description LIKE '*ABC*' AND  "
                             "RecordPtr IN (SELECT DocumentFiles.RecordPtr FROM DocumentFiles "
                             "INNER JOIN FileContents ON FileContents.ContentPtr = "
                             "DocumentFiles.ContentPtr WHERE FileContents.Text LIKE "
                             "'*O''NEIL*') AND  DocumentType = 2 ORDER BY ID DESC"));
    const auto q = fnListQuery(f);
    ASSERT_TRUE(q);
    ASSERT_EQ(q->conditions.size(), 3u);
    EXPECT_EQ(q->conditions[1].op, store::query::Op::FilesTextLike);
    EXPECT_EQ(q->conditions[1].value, QVariant(QStringLiteral("*O'NEIL*")));
    f.filterOn = false;
    EXPECT_TRUE(fnListQuery(f)->conditions.empty());
}
