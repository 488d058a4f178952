// Documents whose date is no date (see undecoded_dates.h).

#include "undecoded_dates.h"

#include "connection.h"

namespace store {

QList<qint64> documentsWithUndecodedDates(const Database& db) {
    Connection& c = *db.connection();
    const QString date = c.escapeIdentifier(QStringLiteral("Date"));
    const QString readable = c.comparableDate(date);
    if (readable == date)
        return {};
    const QString id = c.escapeIdentifier(QStringLiteral("ID"));
    const auto st =
        c.prepareOwn(QStringLiteral("SELECT %1 FROM %2 WHERE %3 IS NOT NULL AND %4 IS "
                                    "NULL ORDER BY %1")
                         .arg(id, c.escapeIdentifier(QStringLiteral("Documents")), date, readable),
                     0);
    QList<qint64> ids;
    while (st->step())
        ids << st->columnInt(0);
    return ids;
}

} // namespace store
