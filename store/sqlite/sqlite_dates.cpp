// stored_date() as an SQLite function (see sqlite_dates.h).

#include "sqlite_dates.h"

#include "../dialect.h"
#include "../engine_error.h"

#include <QString>
#include <sqlite3.h>

namespace store {
namespace {

QDateTime dateOf(sqlite3_value* value) {
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return dialect::fromJulianDay(sqlite3_value_double(value));
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        return dialect::fromStoredDate(QString::fromUtf8(text, sqlite3_value_bytes(value)));
    }
    default:
        return {};
    }
}

void storedDateFunction(sqlite3_context* context, int, sqlite3_value** argv) {
    const QDateTime date = dateOf(argv[0]);
    if (!date.isValid()) {
        sqlite3_result_null(context);
        return;
    }
    const QByteArray text = dialect::storedDate(date).toUtf8();
    sqlite3_result_text(context, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

} // namespace

void installDateFunction(sqlite3* db) {
    const int rc = sqlite3_create_function_v2(
        db, StoredDateFunction, 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
        storedDateFunction, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw EngineError(err::IoError, QStringLiteral("Cannot install %1() on the connection: %2")
                                            .arg(QLatin1String(StoredDateFunction),
                                                 QString::fromUtf8(sqlite3_errmsg(db))));
}

} // namespace store
