// Writing dates by pattern (see date_text.h). Built from the numbers
// directly, so neither the locale nor Qt's format strings play a part.

#include "date_text.h"

namespace platform::dates {
namespace {

QString padded(int value, int width) {
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

} // namespace

std::optional<DatePattern> patternNamed(const QString& name) {
    static const struct {
        const char* name;
        DatePattern pattern;
    } names[] = {{"m/d/yyyy", DatePattern::MonthDayYear},
                 {"mm/dd/yyyy", DatePattern::PaddedMonthDayYear},
                 {"mmddyyyy", DatePattern::Digits},
                 {"yyyy", DatePattern::Year},
                 {"short date", DatePattern::ShortDate}};
    for (const auto& entry : names)
        if (name.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return entry.pattern;
    return std::nullopt;
}

QString formatDate(QDate date, DatePattern pattern) {
    if (!date.isValid())
        return {};
    const QString year = padded(date.year(), 4);
    switch (pattern) {
    case DatePattern::MonthDayYear:
    case DatePattern::ShortDate:
        return QStringLiteral("%1/%2/%3").arg(date.month()).arg(date.day()).arg(year);
    case DatePattern::PaddedMonthDayYear:
        return QStringLiteral("%1/%2/%3").arg(padded(date.month(), 2), padded(date.day(), 2), year);
    case DatePattern::Digits:
        return padded(date.month(), 2) + padded(date.day(), 2) + year;
    case DatePattern::Year:
        return year;
    }
    return {};
}

} // namespace platform::dates
