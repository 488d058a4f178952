#pragma once
// Reading and writing dates as text, always month first whatever the
// user's locale: the program writes "7/4/2001" for July 4, 2001 and must
// read its own output back the same way on a day-first desktop.
//
// toDateTime() accepts, with blanks around the whole text ignored:
//  - month/day/year and month/day, with "/", "-" or "." as the separator
//    (one kind per text): 7/4/1976, 07-04-76, 7.4.5, 7/4. Month and day
//    have one or two digits. A year has one, two or four digits; one or two
//    digits are read with the window 00-29 -> 2000-2029, 30-99 -> 1930-1999;
//    four digits must lie in 100..9999. Without a year the current year
//    (today.h) is taken.
//  - English month names or their three-letter abbreviations (also "Sept",
//    an optional "." after an abbreviation), before or after the day, with
//    an optional year: "July 4, 1976", "4 Jul 1976", "Jul 4", "4-Jul-76".
//  - after either, optionally, a blank and a time of day: "h:mm", "h:mm:ss",
//    either one followed by AM or PM, or "h AM"/"h PM".
// Everything else is refused: impossible dates (2/30/95), a first number
// that is no month (13/5/95), three-digit years, a time without a date,
// and any further text after the date and time.
//
// Cost: one pass over the text, no allocation beyond the token list.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

namespace platform::dates {

/// The date and time of day a text stands for, as a QDateTime in
/// Qt::UTC (a carrier without time zone; 00:00:00 when the text has no
/// time), or nothing when the text is no date.
std::optional<QDateTime> toDateTime(const QString& text);

/// The date a text stands for (any time of day dropped), or nothing.
std::optional<QDate> toDate(const QString& text);

/// True when toDate() reads the text.
bool isDate(const QString& text);

/// The patterns dates are written in.
enum class DatePattern {
    MonthDayYear,       ///< "m/d/yyyy": 7/4/2001
    PaddedMonthDayYear, ///< "mm/dd/yyyy": 07/04/2001
    Digits,             ///< "mmddyyyy": 07042001
    Year,               ///< "yyyy": 2001
    ShortDate,          ///< the program's short date: "m/d/yyyy", whatever the locale
};

/// The pattern named by its text ("m/d/yyyy", "mm/dd/yyyy", "mmddyyyy",
/// "yyyy", "short date"; letter case ignored), or nothing.
std::optional<DatePattern> patternNamed(const QString& name);

/// `date` written in `pattern`; the empty text for an invalid date. Years
/// are written with four digits.
QString formatDate(QDate date, DatePattern pattern);

} // namespace platform::dates
