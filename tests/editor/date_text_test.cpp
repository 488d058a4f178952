// The platform date services: which texts read as which dates (month first
// whatever the locale), which are refused, and the written patterns.

#include "platform/dates/date_text.h"
#include "platform/dates/today.h"

#include <QLocale>
#include <cstdlib>
#include <gtest/gtest.h>

namespace pd = platform::dates;

namespace {

struct Reading {
    const char* text;
    QDate date;
    QTime time = QTime(0, 0);
};

class DateTextTest : public ::testing::Test {
protected:
    pd::FixedToday today{QDate(2001, 7, 4)};
};

void expectReadings(std::initializer_list<Reading> cases) {
    for (const Reading& c : cases) {
        const auto value = pd::toDateTime(QString::fromUtf8(c.text));
        ASSERT_TRUE(value.has_value()) << c.text;
        EXPECT_EQ(value->date(), c.date) << c.text;
        EXPECT_EQ(value->time(), c.time) << c.text;
        EXPECT_EQ(value->timeSpec(), Qt::UTC) << c.text;
    }
}

TEST_F(DateTextTest, ReadsMonthFirstForms) {
    expectReadings({
        {"7/4/1976", QDate(1976, 7, 4)},
        {"07/04/1976", QDate(1976, 7, 4)},
        {"7/4/76", QDate(1976, 7, 4)},
        {"7/4/29", QDate(2029, 7, 4)},
        {"7/4/30", QDate(1930, 7, 4)},
        {"7/4/00", QDate(2000, 7, 4)},
        {"7/4/5", QDate(2005, 7, 4)},
        {"7-4-76", QDate(1976, 7, 4)},
        {"12.25.1995", QDate(1995, 12, 25)},
        {"2/29/2000", QDate(2000, 2, 29)},
        {"12/31/9999", QDate(9999, 12, 31)},
        {"1/1/0100", QDate(100, 1, 1)},
        {"  7/4/2001  ", QDate(2001, 7, 4)},
        {"7/4", QDate(2001, 7, 4)},
        {"12-25", QDate(2001, 12, 25)},
        // English month names.
        {"July 4, 1976", QDate(1976, 7, 4)},
        {"July 4 1976", QDate(1976, 7, 4)},
        {"4 Jul 1976", QDate(1976, 7, 4)},
        {"4-Jul-76", QDate(1976, 7, 4)},
        {"Jul 4", QDate(2001, 7, 4)},
        {"jul. 4, 76", QDate(1976, 7, 4)},
        {"SEPT 9 2000", QDate(2000, 9, 9)},
        {"4 December", QDate(2001, 12, 4)},
        // A time of day after the date.
        {"7/4/2001 10:30", QDate(2001, 7, 4), QTime(10, 30)},
        {"7/4/2001 23:59:58", QDate(2001, 7, 4), QTime(23, 59, 58)},
        {"7/4/01 12:05 AM", QDate(2001, 7, 4), QTime(0, 5)},
        {"7/4/01 1:05:09 pm", QDate(2001, 7, 4), QTime(13, 5, 9)},
        {"Jul 4 3 PM", QDate(2001, 7, 4), QTime(15, 0)},
        {"July 4, 1976 10:30", QDate(1976, 7, 4), QTime(10, 30)},
    });
}

TEST_F(DateTextTest, RefusesWhatIsNoDate) {
    for (const char* text : {"",
                             "   ",
                             "today",
                             "0704",
                             "5",
                             "2/30/95",
                             "2/29/2001",
                             "13/5/95",
                             "0/4/2001",
                             "7/0/2001",
                             "7/4/123",
                             "7/4/12345",
                             "7/4/0099",
                             "1/2/3/4",
                             "7/4/",
                             "/7/4",
                             "7/4-2001",
                             "7//4",
                             "7/4/2001x",
                             "7/4/2001 garbage",
                             "July",
                             "Jul 32",
                             "Foo 4",
                             "Jul4",
                             "10:30",
                             "7/4/2001 24:00",
                             "7/4/2001 10:60",
                             "7/4/2001 13:00 PM",
                             "7/4/2001 10",
                             "7 / 4 / 2001",
                             "7/4/2001,",
                             "７/4/2001",
                             "007/4/2001"}) {
        EXPECT_FALSE(pd::toDateTime(QString::fromUtf8(text)).has_value()) << '"' << text << '"';
        EXPECT_FALSE(pd::isDate(QString::fromUtf8(text))) << text;
    }
}

TEST_F(DateTextTest, StaysMonthFirstOnDayFirstLocales) {
    const QByteArray saved = qgetenv("LC_ALL");
    for (const char* name : {"en_GB.UTF-8", "de_DE.UTF-8"}) {
        setenv("LC_ALL", name, 1);
        setenv("LANG", name, 1);
        QLocale::setDefault(QLocale(QString::fromLatin1(name).left(5)));
        EXPECT_EQ(pd::toDate(QStringLiteral("7/4/76")), QDate(1976, 7, 4)) << name;
        EXPECT_EQ(pd::toDate(QStringLiteral("12.5.2001")), QDate(2001, 12, 5)) << name;
        EXPECT_FALSE(pd::isDate(QStringLiteral("13/5/95"))) << name;
        EXPECT_EQ(pd::formatDate(QDate(2001, 7, 4), pd::DatePattern::ShortDate),
                  QStringLiteral("7/4/2001"))
            << name;
        // The program reads back what it writes.
        const QDate d(1999, 11, 2);
        EXPECT_EQ(pd::toDate(pd::formatDate(d, pd::DatePattern::ShortDate)), d) << name;
    }
    QLocale::setDefault(QLocale::c());
    if (saved.isNull())
        unsetenv("LC_ALL");
    else
        setenv("LC_ALL", saved.constData(), 1);
}

TEST_F(DateTextTest, WritesEachPattern) {
    const QDate d(2001, 7, 4);
    const struct {
        const char* name;
        const char* text;
    } cases[] = {{"m/d/yyyy", "7/4/2001"},
                 {"mm/dd/yyyy", "07/04/2001"},
                 {"mmddyyyy", "07042001"},
                 {"yyyy", "2001"},
                 {"Short Date", "7/4/2001"}};
    for (const auto& c : cases) {
        const auto pattern = pd::patternNamed(QString::fromLatin1(c.name));
        ASSERT_TRUE(pattern.has_value()) << c.name;
        EXPECT_EQ(pd::formatDate(d, *pattern), QString::fromLatin1(c.text)) << c.name;
    }
    EXPECT_FALSE(pd::patternNamed(QStringLiteral("dd/mm/yyyy")).has_value());
    EXPECT_EQ(pd::formatDate(QDate(812, 12, 31), pd::DatePattern::Digits),
              QStringLiteral("12310812"));
    EXPECT_EQ(pd::formatDate(QDate(), pd::DatePattern::MonthDayYear), QString());
}

TEST(Today, FixedTodayRestoresTheClockBeforeIt) {
    const QDate system = pd::today();
    {
        pd::FixedToday outer(QDate(2001, 7, 4));
        {
            pd::FixedToday inner(QDate(1999, 12, 31));
            EXPECT_EQ(pd::today(), QDate(1999, 12, 31));
            EXPECT_EQ(pd::toDate(QStringLiteral("2/3")), QDate(1999, 2, 3));
        }
        EXPECT_EQ(pd::today(), QDate(2001, 7, 4));
    }
    EXPECT_EQ(pd::today(), system);
}

} // namespace
