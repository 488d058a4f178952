// Stored dates read back (see dialect.h): the register's own forms and
// every form of a date SQLite's date functions accept, so that rows other
// programs wrote into a register file are read as the dates SQLite itself
// takes them to be.
//
// Text: "YYYY-MM-DD", then optionally any run of blanks or 'T' and a time
// "HH:MM[:SS[.fraction]]", then optionally blanks and "Z" or "+HH:MM" /
// "-HH:MM", then blanks. A time with an offset is turned into UTC, as
// SQLite's date functions do; fractions of a second are dropped, as its
// datetime() drops them. A number (or a text that is one) is a Julian day
// number, SQLite's reading of a bare number.
//
// Deliberately no date, although SQLite accepts them: a day the month does
// not have (2024-02-30, which SQLite moves into March) and hour 24; a time
// without a date (SQLite gives it 2000-01-01); "now"; a Julian day outside
// the years 1 to 9999, which the register's stored form cannot write (small
// numbers are rather spreadsheet day counts, large ones Unix times, and a
// misread would show a wrong date where the number itself is honest).

#include "dialect.h"

#include <cmath>
#include <optional>

namespace store::dialect {
namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

/// SQLite's blanks: space, tab, line feed, vertical tab, form feed, return.
bool isBlank(QChar c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

/// Reads exactly `count` digits at s[i], moving i past them; -1 if absent.
int digitsAt(QStringView s, qsizetype& i, int count) {
    if (i + count > s.size())
        return -1;
    int value = 0;
    for (int k = 0; k < count; ++k) {
        if (!isDigit(s[i + k]))
            return -1;
        value = value * 10 + (s[i + k].unicode() - u'0');
    }
    i += count;
    return value;
}

bool expect(QStringView s, qsizetype& i, QChar c) {
    if (i < s.size() && s[i] == c) {
        ++i;
        return true;
    }
    return false;
}

qsizetype skipBlanks(QStringView s, qsizetype i) {
    while (i < s.size() && isBlank(s[i]))
        ++i;
    return i;
}

/// The value when it lies in the years the stored form can write.
QDateTime inRange(const QDateTime& value) {
    if (!value.isValid() || value.date().year() < 1 || value.date().year() > 9999)
        return {};
    return value;
}

/// "HH:MM[:SS[.fraction]]" followed by an optional zone and blanks, read
/// onto `date`; invalid when the rest of the text is anything else.
QDateTime timeOnDate(QStringView s, qsizetype i, QDate date) {
    const int hour = digitsAt(s, i, 2);
    if (hour < 0 || !expect(s, i, u':'))
        return {};
    const int minute = digitsAt(s, i, 2);
    int second = 0;
    if (minute < 0)
        return {};
    if (expect(s, i, u':')) {
        second = digitsAt(s, i, 2);
        if (second < 0)
            return {};
        if (i + 1 < s.size() && s[i] == u'.' && isDigit(s[i + 1]))
            for (++i; i < s.size() && isDigit(s[i]);)
                ++i;
    }
    const QTime time(hour, minute, second);
    if (!time.isValid())
        return {};
    QDateTime value(date, time, Qt::UTC);

    i = skipBlanks(s, i);
    if (i < s.size() && (s[i] == u'Z' || s[i] == u'z')) {
        ++i;
    } else if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        const int sign = s[i] == u'+' ? 1 : -1;
        ++i;
        const int zoneHours = digitsAt(s, i, 2);
        if (zoneHours < 0 || zoneHours > 14 || !expect(s, i, u':'))
            return {};
        const int zoneMinutes = digitsAt(s, i, 2);
        if (zoneMinutes < 0 || zoneMinutes > 59)
            return {};
        value = value.addSecs(-sign * (zoneHours * 3600 + zoneMinutes * 60));
    }
    return skipBlanks(s, i) == s.size() ? value : QDateTime();
}

/// A text that is a whole number or a decimal, as a number.
std::optional<double> numberText(QStringView s) {
    qsizetype digits = 0, points = 0;
    for (const QChar c : s) {
        if (isDigit(c))
            ++digits;
        else if (c == u'.')
            ++points;
        else
            return std::nullopt;
    }
    if (digits == 0 || points > 1)
        return std::nullopt;
    bool ok = false;
    const double value = s.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

} // namespace

QDateTime fromStoredDate(const QString& text) {
    const QStringView s(text);
    qsizetype i = 0;
    const int year = digitsAt(s, i, 4);
    if (year < 0 || !expect(s, i, u'-')) {
        if (const std::optional<double> number = numberText(s))
            return fromJulianDay(*number);
        return {};
    }
    const int month = digitsAt(s, i, 2);
    if (month < 0 || !expect(s, i, u'-'))
        return {};
    const int day = digitsAt(s, i, 2);
    const QDate date(year, month, day);
    if (day < 0 || !date.isValid())
        return {};
    while (i < s.size() && (isBlank(s[i]) || s[i] == u'T'))
        ++i;
    if (i == s.size())
        return inRange(QDateTime(date, QTime(0, 0), Qt::UTC));
    return inRange(timeOnDate(s, i, date));
}

QDateTime fromJulianDay(double day) {
    // Julian day 1721425.5 is 0001-01-01 00:00; 5373484.5 is 10000-01-01.
    if (!(day >= 1721425.5 && day < 5373484.5))
        return {};
    // In milliseconds as SQLite counts them, from the noon the day number
    // starts at, then split into Qt's day number and the time of day.
    const qint64 ms = static_cast<qint64>(day * 86400000.0 + 0.5) + 43200000;
    const QDate date = QDate::fromJulianDay(ms / 86400000);
    const QTime time = QTime(0, 0).addMSecs(static_cast<int>(ms % 86400000));
    return inRange(QDateTime(date, QTime(time.hour(), time.minute(), time.second()), Qt::UTC));
}

} // namespace store::dialect
