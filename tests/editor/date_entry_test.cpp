// The date field's shorthand with the current date fixed at July 4, 2001:
// what the field holds after it loses the focus, and the rules behind it.

#include "editor/date_entry.h"
#include "editor/date_field.h"
#include "platform/dates/today.h"

#include <gtest/gtest.h>

namespace {

using editor::DateFieldOutcome;

class DateEntryTest : public ::testing::Test {
protected:
    platform::dates::FixedToday today{QDate(2001, 7, 4)};
};

struct Leaving {
    const char* typed;
    const char* after; ///< the field's text afterwards; null when refused
};

void expectLeaving(std::initializer_list<Leaving> cases) {
    for (const Leaving& c : cases) {
        const QString typed = QString::fromUtf8(c.typed);
        const DateFieldOutcome out = editor::leaveDateField(typed);
        if (c.after == nullptr) {
            EXPECT_EQ(out.verdict, DateFieldOutcome::Refused) << '"' << c.typed << '"';
            EXPECT_EQ(out.text, typed) << "a refused text stays as typed";
        } else {
            EXPECT_EQ(out.verdict, DateFieldOutcome::Rewritten) << '"' << c.typed << '"';
            EXPECT_EQ(out.text, QString::fromUtf8(c.after)) << '"' << c.typed << '"';
        }
    }
}

TEST_F(DateEntryTest, FieldAfterLeavingForEachShorthand) {
    expectLeaving({
        {"today", "7/4/2001"},      {"Today", "7/4/2001"},        {"NOW", "7/4/2001"},
        {"yesterday", "7/3/2001"},  {"tomorrow", "7/5/2001"},     {"0704", "7/4/2001"},
        {"704", "7/4/2001"},        {"74", "7/4/2001"},           {"70476", "7/4/1976"},
        {"070476", "7/4/1976"},     {"070405", "7/4/2005"},       {"07041976", "7/4/1976"},
        {"12-25-95", "12/25/1995"}, {"12.25.1995", "12/25/1995"}, {"7/4/76", "7/4/1976"},
        {"7/4/29", "7/4/2029"},     {"7/4/30", "7/4/1930"},       {"7/4/5", "7/4/2005"},
        {"7/4/", "7/4/2000"},       {"7/4/123", "7/4/2023"},      {"07/04/1976", "7/4/1976"},
        {"2/30/95", nullptr},       {"1/2/3/4", nullptr},
    });
}

TEST_F(DateEntryTest, BlankFieldIsKeptAsItIs) {
    for (const char* text : {"", " ", "     "}) {
        const DateFieldOutcome out = editor::leaveDateField(QString::fromLatin1(text));
        EXPECT_EQ(out.verdict, DateFieldOutcome::KeptBlank) << '"' << text << '"';
        EXPECT_EQ(out.text, QString::fromLatin1(text));
    }
}

TEST_F(DateEntryTest, KeywordsAreExactWholeTexts) {
    expectLeaving(
        {{"today ", nullptr}, {" now", nullptr}, {"to day", nullptr}, {"todays", nullptr}});
    EXPECT_EQ(editor::fnNormalizeDate(QStringLiteral("today ")), QStringLiteral("today "));
    // The month wraps with the day.
    platform::dates::FixedToday newYear(QDate(2000, 12, 31));
    expectLeaving({{"tomorrow", "1/1/2001"}, {"YESTERDAY", "12/30/2000"}});
}

TEST_F(DateEntryTest, OtherCharactersAreDroppedBeforeTheDigitForm) {
    // Blanks and letters go like dashes: the digits alone decide.
    EXPECT_EQ(editor::fnNormalizeDate(QStringLiteral("07 04 76")), QStringLiteral("7/4/1976"));
    EXPECT_EQ(editor::fnNormalizeDate(QStringLiteral("x0704")), QStringLiteral("7/4/2001"));
}

TEST_F(DateEntryTest, SeparatedTextsTheDigitsWouldMisreadKeepTheirOwnMeaning) {
    // Read as bare digits these would be 12/19/1976, 01/12/1976 and 04/19/1976.
    expectLeaving({{"1-2-1976", "1/2/1976"},
                   {"11-2-76", "11/2/1976"},
                   {"July 4, 1976", "7/4/1976"},
                   {"4 Jul 1976", "7/4/1976"},
                   {"Jul 4", "7/4/2001"}});
}

TEST_F(DateEntryTest, YearsOfThreeCharactersKeepTheLastTwo) {
    expectLeaving({{"7/4/199", "7/4/1999"}, {"12/31/100", "12/31/2000"}, {"1/1/929", "1/1/2029"}});
    // A four-digit year is left to the platform; trailing blanks do not count.
    EXPECT_EQ(editor::fnNormalizeDate(QStringLiteral("7/4/1976  ")), QStringLiteral("7/4/1976  "));
    expectLeaving({{"7/4/1976  ", "7/4/1976"}});
}

TEST_F(DateEntryTest, MonthTestLooksAtTheFirstTwoCharacters) {
    // Digit form: "13" and above get no slashes.
    EXPECT_EQ(editor::fnNormalizeDate(QStringLiteral("1305")), QStringLiteral("1305"));
    EXPECT_EQ(editor::fnNormalizeDate(QStringLiteral("130576")), QStringLiteral("130576"));
    // Slashed form: a month of one character passes, "13" does not.
    EXPECT_EQ(editor::fnNormalizeDate(QStringLiteral("9/30/95")), QStringLiteral("9/30/1995"));
    EXPECT_EQ(editor::fnNormalizeDate(QStringLiteral("13/5/95")), QStringLiteral("13/5/95"));
    expectLeaving({{"13/5/95", nullptr}, {"1305", nullptr}, {"12/5/95", "12/5/1995"}});
}

TEST_F(DateEntryTest, DigitCountsWithoutAFormAreNoDate) {
    expectLeaving({{"1", nullptr},
                   {"0704200", nullptr},
                   {"070420011", nullptr},
                   {"00000000", nullptr},
                   {"0230", nullptr},
                   {"1231", "12/31/2001"}});
    // One slash: unchanged for the platform, which completes the year.
    EXPECT_EQ(editor::fnNormalizeDate(QStringLiteral("7/4")), QStringLiteral("7/4"));
    expectLeaving({{"7/4", "7/4/2001"}});
}

TEST(CenturyPivot, TwoDigitYearsSplitAtThirty) {
    platform::dates::FixedToday today(QDate(2001, 7, 4));
    for (int yy = 0; yy < 100; ++yy) {
        const QString year = QStringLiteral("%1").arg(yy, 2, 10, QLatin1Char('0'));
        const int expected = yy < 30 ? 2000 + yy : 1900 + yy;
        EXPECT_EQ(editor::fnNormalizeDate(QStringLiteral("0101") + year),
                  QStringLiteral("1/1/%1").arg(expected));
        EXPECT_EQ(editor::fnNormalizeDate(QStringLiteral("1/1/") + year),
                  QStringLiteral("1/1/%1").arg(expected));
    }
}

TEST(FormatDate, EmptyForNoValueAndMonthFirstOtherwise) {
    EXPECT_EQ(editor::fnFormatDate(std::optional<QDate>()), QString());
    EXPECT_EQ(editor::fnFormatDate(QVariant()), QString());
    EXPECT_EQ(editor::fnFormatDate(QVariant(QDateTime(QDate(2001, 7, 4), QTime(10, 5), Qt::UTC))),
              QStringLiteral("7/4/2001"));
    EXPECT_EQ(editor::fnFormatDate(QVariant(QDate(1976, 12, 25))), QStringLiteral("12/25/1976"));
    EXPECT_EQ(editor::fnFormatDate(QVariant(QStringLiteral("07/04/1976"))),
              QStringLiteral("7/4/1976"));
    EXPECT_EQ(editor::fnFormatDate(QVariant(42)), QString());
    EXPECT_TRUE(editor::fnIsValidDate(QStringLiteral("7/4/2001")));
    EXPECT_FALSE(editor::fnIsValidDate(QStringLiteral("today")));
}

TEST(DateFieldFocus, SelectsUpToTheLastNonBlank) {
    EXPECT_EQ(editor::dateFieldSelection(QStringLiteral("7/4/2001  ")).length, 8);
    EXPECT_EQ(editor::dateFieldSelection(QStringLiteral("7/4/2001")).length, 8);
    EXPECT_EQ(editor::dateFieldSelection(QStringLiteral("   ")).length, 0);
    EXPECT_EQ(editor::dateFieldSelection(QStringLiteral(" 7/4")).start, 0);
}

} // namespace
