// The date shorthand of the editor's date field (see date_entry.h). The
// steps follow the order the field has always applied them in: keywords,
// then the slashed form, then the digit form.

#include "date_entry.h"

#include "platform/dates/date_text.h"
#include "platform/dates/today.h"
#include "store/value.h"

namespace editor {
namespace {

namespace pd = platform::dates;

const QString twelve = QStringLiteral("12");

bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

/// "20" or "19" for a two-character year text.
QString centuryFor(QStringView yy) {
    return yy < sCenturyPivot ? QStringLiteral("20") : QStringLiteral("19");
}

/// The work text as "m/d/yyyy" when the platform reads it, else nothing.
std::optional<QString> written(const QString& work) {
    const auto date = pd::toDate(work);
    if (!date)
        return std::nullopt;
    return pd::formatDate(*date, pd::DatePattern::MonthDayYear);
}

/// The slashed form month/day/y with at most three year characters.
QString slashedForm(const QString& input, qsizetype firstSlash, qsizetype lastSlash) {
    // Positions count from 1, as the field's rules are stated.
    if (!(input.left(2) <= twelve || firstSlash < 3))
        return input;
    const qsizetype n = trimTrailingBlanks(input).size();
    if (lastSlash < n - 3)
        return input; // a four-digit year: the platform reads it directly
    const QString yearText =
        QStringLiteral("00") + trimTrailingBlanks(QStringView(input).mid(lastSlash)).toString();
    const QString yy = yearText.right(2);
    const QString work = input.left(lastSlash) + centuryFor(yy) + yy;
    return written(work).value_or(input);
}

/// Pads a digit run of three, two or five digits to mmdd / mmddyy.
QString padded(const QString& digits) {
    switch (digits.size()) {
    case 3:
        return QLatin1Char('0') + digits;
    case 2:
        return QLatin1Char('0') + digits.left(1) + QLatin1Char('0') + digits.right(1);
    case 5:
        return QLatin1Char('0') + digits;
    default:
        return digits;
    }
}

/// The work text of the digit form: digits given slashes by their count.
QString digitWork(const QString& digits) {
    if (!(digits.left(2) <= twelve))
        return digits;
    const QString mm = digits.left(2);
    const QString dd = digits.mid(2, 2);
    switch (digits.size()) {
    case 4:
        return mm + '/' + dd + '/' + pd::formatDate(pd::today(), pd::DatePattern::Year);
    case 6: {
        const QString yy = digits.right(2);
        return mm + '/' + dd + '/' + centuryFor(yy) + yy;
    }
    case 8:
        return mm + '/' + dd + '/' + digits.right(4);
    default:
        return digits;
    }
}

} // namespace

QStringView trimTrailingBlanks(QStringView text) {
    qsizetype n = text.size();
    while (n > 0 && text[n - 1] == QLatin1Char(' '))
        --n;
    return text.left(n);
}

QString fnNormalizeDate(const QString& pDate) {
    const QString& input = pDate;
    QString digits;
    qsizetype slashes = 0;
    qsizetype firstSlash = 0;
    qsizetype lastSlash = 0;
    bool onlyDigits = true; // false once a character other than a digit is seen

    const QString upper = input.toUpper();
    const QDate today = pd::today();
    if (upper == QLatin1String("TODAY") || upper == QLatin1String("NOW")) {
        digits = pd::formatDate(today, pd::DatePattern::Digits);
    } else if (upper == QLatin1String("YESTERDAY")) {
        digits = pd::formatDate(today.addDays(-1), pd::DatePattern::Digits);
    } else if (upper == QLatin1String("TOMORROW")) {
        digits = pd::formatDate(today.addDays(1), pd::DatePattern::Digits);
    } else {
        for (qsizetype i = 0; i < input.size(); ++i) {
            const QChar c = input[i];
            if (isAsciiDigit(c)) {
                digits += c;
                continue;
            }
            onlyDigits = false;
            if (c == QLatin1Char('/')) {
                ++slashes;
                lastSlash = i + 1;
                if (firstSlash == 0)
                    firstSlash = i + 1;
            }
        }
    }

    if (slashes == 2)
        return slashedForm(input, firstSlash, lastSlash);
    if (slashes != 0)
        return input;

    const std::optional<QString> fromDigits = written(digitWork(padded(digits)));
    if (!onlyDigits) {
        // Separators and words carry meaning the digits lose: when the
        // platform reads the text as another date, its reading stands.
        if (const auto asTyped = written(input); asTyped && asTyped != fromDigits)
            return *asTyped;
    }
    return fromDigits.value_or(input);
}

bool fnIsValidDate(const QString& pDate) {
    return pd::isDate(pDate);
}

QString fnFormatDate(const std::optional<QDate>& pDate) {
    if (!pDate)
        return {};
    return pd::formatDate(*pDate, pd::DatePattern::MonthDayYear);
}

QString fnFormatDate(const QVariant& pDate) {
    if (store::isNull(pDate))
        return {};
    if (pDate.typeId() == QMetaType::QString)
        return fnFormatDate(pd::toDate(pDate.toString()));
    const QDate date = store::dateOf(pDate);
    return date.isValid() ? fnFormatDate(std::optional<QDate>(date)) : QString();
}

} // namespace editor
