// Documents whose date is no date (see undecoded_dates.h).

#include "undecoded_dates.h"

#include "connection.h"

namespace store {

QList<qint64> documentsWithUndecodedDates(const Database& db) {
    Connection& c = *db.connection();
    const QString date = quoteIdentifier(QStringLiteral("Date"));
    const QString readable = c.comparableDate(date);
    if (readable == date)
        return {};
    const auto st = c.prepare(QStringLiteral("SELECT \"ID\" FROM \"Documents\" WHERE %1 IS NOT "
                                             "NULL AND %2 IS NULL ORDER BY \"ID\"")
                                  .arg(date, readable));
    QList<qint64> ids;
    while (st->step())
        ids << st->columnInt(0);
    return ids;
}

} // namespace store
