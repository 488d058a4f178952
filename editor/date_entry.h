#pragma once
// The editor's date shorthand: turns what the user typed into the date
// field into a month-first date text "m/d/yyyy", and tests and writes dates
// the way the field shows them. Pure functions over text; the current date
// comes from platform/dates/today.h, so tests fix it there.
//
// Accepted shorthand (fnNormalizeDate):
//  - the words TODAY, NOW, YESTERDAY, TOMORROW in any letter case, exactly
//    (no blanks around);
//  - digit runs, other characters than digits and "/" dropped first: mmdd,
//    mdd/md padded ("704" -> 0704, "74" -> 0704), mmddyy and mddyy, and
//    mmddyyyy; the month is the first two digits and must be at most "12";
//  - slashed month/day/year with a year of up to three characters, whose
//    last two characters are taken with the century pivot ("7/4/76",
//    "7/4/5", "7/4/" as 2000, "7/4/123" as 2023).
// Anything else comes back unchanged for the platform's own reading
// (fnIsValidDate), e.g. a four-digit year or a month name.
//
// One deliberate difference from reading digits blindly: when the input
// holds separators or letters and the platform reads it as a different date
// than its digits would give ("1-2-1976" is January 2, not the digits
// 121976 = December 19; "July 4, 1976" is not 04/19/1976), the platform's
// reading wins. Where both agree ("12-25-95") the digits decide as before.
//
// Cost: one pass over the text and at most three platform conversions.

#include <QDate>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <optional>

namespace editor {

/// A two-digit year yy becomes 20yy when yy < this text (compared as text,
/// by character code), 19yy otherwise: 00-29 -> 2000-2029, 30-99 -> 1930s on.
inline constexpr QStringView sCenturyPivot = u"30";

/// The input as "m/d/yyyy" when it reads as one of the shorthand forms
/// above, otherwise the input unchanged.
QString fnNormalizeDate(const QString& pDate);

/// True when the platform's date conversion reads the text.
bool fnIsValidDate(const QString& pDate);

/// The date as "m/d/yyyy"; the empty text for no date.
QString fnFormatDate(const std::optional<QDate>& pDate);

/// The same for a stored field value: Null gives the empty text, a date
/// (QDate or QDateTime) its date part, a text the date it reads as (or the
/// empty text).
QString fnFormatDate(const QVariant& pDate);

/// The text without its trailing blanks (U+0020 only, as the field trims).
QStringView trimTrailingBlanks(QStringView text);

} // namespace editor
