// Opening and creating registers: the choice of backend by location, and
// what every Database offers whatever lies behind it.

#include "database.h"

#include "connection.h"
#include "dialect.h"
#include "postgres/pg_address.h"
#include "postgres/pg_register.h"
#include "sqlite/sqlite_register.h"

namespace store {

bool isServerLocation(const QString& location) {
    return location.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           location.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

QString shownLocation(const QString& location) {
    return isServerLocation(location) ? postgres::shownAddress(location) : location;
}

Database Database::open(const QString& location) {
    return Database(isServerLocation(location) ? openServerRegister(location)
                                               : openRegisterFile(location));
}

Database Database::create(const QString& location) {
    return Database(isServerLocation(location) ? createServerRegister(location)
                                               : createRegisterFile(location));
}

const std::shared_ptr<Connection>& Database::connection() const {
    if (!conn_)
        throw EngineError(err::ObjectClosed, QStringLiteral("The database is not open."));
    return conn_;
}

QString Database::location() const {
    return conn_ ? conn_->location() : QString();
}

bool Database::readOnly() const {
    return connection()->readOnly();
}

QString Database::integrityCheck() const {
    return connection()->integrityCheck();
}

void Database::execute(const QString& statement) const {
    Connection& c = *connection();
    WriteScope w(c);
    c.exec(dialect::translate(statement));
    w.commit();
}

} // namespace store
