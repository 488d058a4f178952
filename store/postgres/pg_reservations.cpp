// Advisory-lock row reservations (see pg_reservations.h).

#include "pg_reservations.h"

#include "../engine_error.h"
#include "pg_connection.h"

#include <libpq-fe.h>
#include <limits>

namespace store {

bool PgReservations::ask(const char* sql, int table, std::int64_t rowId) {
    if (rowId < 0 || rowId > std::numeric_limits<std::int32_t>::max())
        throw EngineError(err::NotSupported,
                          QStringLiteral("Cannot reserve row %1: reservations on a server cover "
                                         "row numbers up to %2.")
                              .arg(rowId)
                              .arg(std::numeric_limits<std::int32_t>::max()));
    pg_result* r = c_.runWith(sql, {QByteArray::number(table), QByteArray::number(rowId)});
    const bool yes = PQntuples(r) == 1 && PQgetvalue(r, 0, 0)[0] == 't';
    PQclear(r);
    return yes;
}

bool PgReservations::tryLock(int table, std::int64_t rowId) {
    if (held_.count({table, rowId}))
        return true;
    c_.ensureOpen();
    if (!ask("SELECT pg_try_advisory_lock($1::int4, $2::int4)", table, rowId))
        return false;
    held_.insert({table, rowId});
    return true;
}

void PgReservations::unlock(int table, std::int64_t rowId) {
    if (!held_.erase({table, rowId}))
        return;
    if (PQstatus(c_.handle()) == CONNECTION_OK)
        ask("SELECT pg_advisory_unlock($1::int4, $2::int4)", table, rowId);
    // A dropped connection holds nothing any more.
}

bool PgReservations::heldByOther(int table, std::int64_t rowId) {
    if (held_.count({table, rowId}))
        return false;
    c_.ensureOpen();
    // Taken and let go at once when free; one round trip either way.
    return ask("SELECT CASE WHEN pg_try_advisory_lock($1::int4, $2::int4) THEN NOT "
               "pg_advisory_unlock($1::int4, $2::int4) ELSE true END",
               table, rowId);
}

bool PgReservations::anyHeldByOther() {
    c_.ensureOpen();
    pg_result* r = c_.runWith(
        "SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND objsubid = 2 AND "
        "classid BETWEEN 1 AND 255 AND pid <> pg_backend_pid() AND database = (SELECT oid "
        "FROM pg_database WHERE datname = current_database())",
        {});
    const bool any = QByteArray(PQgetvalue(r, 0, 0)).toLongLong() > 0;
    PQclear(r);
    return any;
}

void PgReservations::retake() {
    for (auto it = held_.begin(); it != held_.end();) {
        if (ask("SELECT pg_try_advisory_lock($1::int4, $2::int4)", it->first, it->second))
            ++it;
        else
            it = held_.erase(it);
    }
}

} // namespace store
