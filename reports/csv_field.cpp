// CSV fields: see csv_field.h.

#include "csv_field.h"

namespace reports::csv {

namespace {

bool needsQuotes(QStringView text) {
    for (const QChar c : text)
        if (c == Separator || c == QLatin1Char('"') || c == QLatin1Char('\r') ||
            c == QLatin1Char('\n'))
            return true;
    return false;
}

} // namespace

void appendField(QString& record, QStringView text) {
    if (!needsQuotes(text)) {
        record += text;
        return;
    }
    record += QLatin1Char('"');
    // Copied in runs up to and including each quote, which is then doubled.
    qsizetype from = 0;
    for (qsizetype quote = text.indexOf(QLatin1Char('"')); quote >= 0;
         quote = text.indexOf(QLatin1Char('"'), from)) {
        record += text.sliced(from, quote + 1 - from);
        record += QLatin1Char('"');
        from = quote + 1;
    }
    record += text.sliced(from);
    record += QLatin1Char('"');
}

} // namespace reports::csv
