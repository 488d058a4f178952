// Advisory-lock row reservations (see pg_reservations.h).

#include "pg_reservations.h"

#include "../engine_error.h"
#include "../local_user.h"
#include "pg_connection.h"

#include <QDateTime>
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
    const PgResult r = c_.runWith(sql, {QByteArray::number(table), QByteArray::number(rowId)});
    const bool yes = PQntuples(r.get()) == 1 && PQgetvalue(r.get(), 0, 0)[0] == 't';
    return yes;
}

namespace {

/// What the session tells others about its latest reservation; the server
/// keeps 63 bytes of it.
QByteArray holderName() {
    return ("tolvane|" + localLogin().toUtf8() + '|' + localComputer().toUtf8() + '|' +
            QByteArray::number(QDateTime::currentSecsSinceEpoch()))
        .left(63);
}

} // namespace

bool PgReservations::tryLock(int table, std::int64_t rowId) {
    if (held_.count({table, rowId}))
        return true;
    c_.ensureOpen();
    const PgResult r =
        c_.runWith("SELECT CASE WHEN pg_try_advisory_lock($1::int4, $2::int4) THEN "
                   "set_config('application_name', $3, false) IS NOT NULL ELSE false "
                   "END",
                   {QByteArray::number(table), QByteArray::number(rowId), holderName()});
    const bool taken = PQntuples(r.get()) == 1 && PQgetvalue(r.get(), 0, 0)[0] == 't';
    if (taken)
        held_.insert({table, rowId});
    return taken;
}

std::optional<RowHolder> PgReservations::holderOf(int table, std::int64_t rowId) {
    c_.ensureOpen();
    const PgResult r = c_.runWith(
        "SELECT a.application_name FROM pg_locks l JOIN pg_stat_activity a ON a.pid = l.pid "
        "WHERE l.locktype = 'advisory' AND l.classid = $1::int4 AND l.objid = $2::int4 AND "
        "l.objsubid = 2 AND l.granted AND l.pid <> pg_backend_pid() AND l.database = (SELECT "
        "oid FROM pg_database WHERE datname = current_database()) LIMIT 1",
        {QByteArray::number(table), QByteArray::number(rowId)});
    std::optional<RowHolder> holder;
    if (PQntuples(r.get()) == 1) {
        const QList<QByteArray> parts = QByteArray(PQgetvalue(r.get(), 0, 0)).split('|');
        if (parts.size() == 4 && parts[0] == "tolvane")
            holder = RowHolder{QString::fromUtf8(parts[1]), QString::fromUtf8(parts[2]),
                               QDateTime::fromSecsSinceEpoch(parts[3].toLongLong())};
    }
    return holder;
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
    const PgResult r = c_.runWith(
        "SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND objsubid = 2 AND "
        "classid BETWEEN 1 AND 255 AND pid <> pg_backend_pid() AND database = (SELECT oid "
        "FROM pg_database WHERE datname = current_database())",
        {});
    const bool any = QByteArray(PQgetvalue(r.get(), 0, 0)).toLongLong() > 0;
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
