// Reading server addresses (see pg_address.h).

#include "pg_address.h"

#include "../engine_error.h"

#include <QUrl>
#include <QUrlQuery>
#include <libpq-fe.h>
#include <memory>
#include <unistd.h>

namespace store::postgres {

namespace {

QString loginName() {
    const char* name = ::getlogin();
    if (!name)
        name = ::getenv("USER");
    return QString::fromLocal8Bit(name ? name : "");
}

QString withoutPassword(const QString& uri) {
    QUrl url(uri);
    if (!url.isValid())
        return uri.section(QLatin1Char('?'), 0, 0);
    url.setPassword({});
    QUrlQuery query(url);
    query.removeAllQueryItems(QStringLiteral("password"));
    url.setQuery(query);
    return url.toString();
}

} // namespace

QString ServerAddress::describe() const {
    return QStringLiteral("the database '%1' on the server '%2'").arg(database, host);
}

ServerAddress readAddress(const QString& uri) {
    char* error = nullptr;
    std::unique_ptr<PQconninfoOption, void (*)(PQconninfoOption*)> options(
        PQconninfoParse(uri.toUtf8().constData(), &error), PQconninfoFree);
    if (!options) {
        const QString detail = QString::fromUtf8(error ? error : "out of memory").trimmed();
        PQfreemem(error);
        throw EngineError(err::SyntaxError,
                          QStringLiteral("'%1' is not a server address the program can read: %2")
                              .arg(withoutPassword(uri), detail));
    }
    ServerAddress a;
    for (PQconninfoOption* o = options.get(); o->keyword; ++o) {
        const QString value = QString::fromUtf8(o->val ? o->val : "");
        if (qstrcmp(o->keyword, "host") == 0)
            a.host = value;
        else if (qstrcmp(o->keyword, "dbname") == 0)
            a.database = value;
        else if (qstrcmp(o->keyword, "user") == 0)
            a.user = value;
    }
    if (a.host.isEmpty())
        a.host = QStringLiteral("localhost");
    if (a.user.isEmpty())
        a.user = loginName();
    if (a.database.isEmpty())
        a.database = a.user;
    a.shown = withoutPassword(uri);
    return a;
}

} // namespace store::postgres
