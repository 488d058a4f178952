// Test registers on both backends (see register_place.h).

#include "register_place.h"

#include "store/postgres/pg_result.h"

#include <QUrl>
#include <QUrlQuery>
#include <atomic>
#include <libpq-fe.h>
#include <memory>
#include <unistd.h>

namespace testsupport {

namespace {

QString maintenanceUri() {
    return QString::fromLocal8Bit(qgetenv("TOLVANE_TEST_PG"));
}

QString uriOf(const QString& database, const QString& user = {}, const QString& password = {}) {
    QUrl url(maintenanceUri());
    url.setPath(QLatin1Char('/') + database);
    QUrlQuery query(url);
    if (!user.isEmpty()) {
        query.removeAllQueryItems(QStringLiteral("user"));
        query.addQueryItem(QStringLiteral("user"), user);
    }
    if (!password.isEmpty())
        query.addQueryItem(QStringLiteral("password"), password);
    url.setQuery(query);
    return url.toString();
}

struct ConnectionFinish {
    void operator()(PGconn* c) const noexcept { PQfinish(c); }
};

QString run(const QString& uri, const QString& sql) {
    const std::unique_ptr<PGconn, ConnectionFinish> c(PQconnectdb(uri.toUtf8().constData()));
    QString error;
    if (PQstatus(c.get()) != CONNECTION_OK) {
        error = QString::fromUtf8(PQerrorMessage(c.get()));
    } else {
        const store::PgResult r(PQexec(c.get(), sql.toUtf8().constData()));
        const ExecStatusType s = PQresultStatus(r.get());
        if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK)
            error = QString::fromUtf8(PQresultErrorMessage(r.get()));
    }
    return error.trimmed();
}

} // namespace

Backend testBackend() {
    return qgetenv("TOLVANE_BACKEND") == "server" ? Backend::Server : Backend::File;
}

RegisterPlace::RegisterPlace() {
    if (testBackend() == Backend::File) {
        location_ = dir_.filePath(QStringLiteral("Veld.MDB"));
        return;
    }
    if (maintenanceUri().isEmpty()) {
        unavailable_ = QStringLiteral("no test server: TOLVANE_TEST_PG is not set (scripts/test "
                                      "starts one)");
        return;
    }
    static std::atomic<int> serial{0};
    const QString name = QStringLiteral("register_%1_%2").arg(::getpid()).arg(serial++);
    if (const QString error = run(maintenanceUri(), QStringLiteral("CREATE DATABASE ") + name);
        !error.isEmpty()) {
        unavailable_ = QStringLiteral("the test server cannot make a database: ") + error;
        return;
    }
    database_ = name;
    location_ = uriOf(name);
}

RegisterPlace::~RegisterPlace() {
    if (!database_.isEmpty())
        run(maintenanceUri(),
            QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database_));
}

QString RegisterPlace::serverSql(const QString& sql, const QString& database) const {
    return run(uriOf(database.isEmpty() ? database_ : database), sql);
}

QString RegisterPlace::uriAs(const QString& user, const QString& password,
                             const QString& database) const {
    return uriOf(database.isEmpty() ? database_ : database, user, password);
}

} // namespace testsupport
