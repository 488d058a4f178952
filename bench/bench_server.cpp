// Server registers for the benchmarks (see bench_server.h).

#include "bench_server.h"

#include "bench_register.h"
#include "store/postgres/pg_result.h"
#include "store/register_copy.h"

#include <QUrl>
#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <memory>

namespace {

struct ConnectionFinish {
    void operator()(PGconn* c) const noexcept { PQfinish(c); }
};

void serverSql(const QString& sql) {
    const std::unique_ptr<PGconn, ConnectionFinish> c(
        PQconnectdb(benchServer().toUtf8().constData()));
    const store::PgResult done(PQexec(c.get(), sql.toUtf8().constData()));
}

} // namespace

QString benchServer() {
    return QString::fromLocal8Bit(qgetenv("TOLVANE_BENCH_PG"));
}

QString benchServerDatabase(const QString& name, bool fresh) {
    if (fresh)
        serverSql(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
    serverSql(QStringLiteral("CREATE DATABASE %1").arg(name));
    QUrl url(benchServer());
    url.setPath(QLatin1Char('/') + name);
    return url.toString();
}

QString benchServerRegister(int rows) {
    return benchServerRegister(rows, {}, {});
}

QString benchServerRegister(int rows, const QString& name, const BenchDescribe& describe) {
    if (benchServer().isEmpty())
        return {};
    const QString database =
        name.isEmpty() ? QStringLiteral("arkelby_bench_%1").arg(rows)
                       : QStringLiteral("%1_%2").arg(QString(name).replace(u'-', u'_')).arg(rows);
    const QString uri = benchServerDatabase(database);
    try {
        store::Database::open(uri);
    } catch (const store::EngineError&) {
        // Not there yet: the file register's rows, copied once.
        const QString fresh = benchServerDatabase(database, true);
        store::copyRegister(store::Database::open(name.isEmpty()
                                                      ? benchRegister(rows)
                                                      : benchRegister(rows, name, describe)),
                            fresh, {});
    }
    return uri;
}

QString benchRegisterFor(benchmark::State& state, int rows) {
    const QString where = state.range(0) == 0 ? benchRegister(rows) : benchServerRegister(rows);
    if (where.isEmpty())
        state.SkipWithError("no server: set TOLVANE_BENCH_PG");
    return where;
}
