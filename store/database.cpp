// Opening and creating registers through the backend their location
// names, and what every Database offers whatever lies behind it.

#include "database.h"

#include "backend.h"
#include "connection.h"
#include "dialect.h"
#include "document_files.h"

namespace store {

QString shownLocation(const QString& location) {
    return backendFor(location).shownLocation(location);
}

Database Database::open(const QString& location) {
    return sweptOfAbandonedStaging(Database(backendFor(location).open(location)));
}

Database sweptOfAbandonedStaging(Database db) {
    // Best effort: a register busy now is swept by the next writer.
    if (!db.readOnly())
        try {
            removeAbandonedStaging(db);
        } catch (const EngineError&) {
        }
    return db;
}

Database Database::create(const QString& location) {
    return Database(backendFor(location).create(location));
}

const std::shared_ptr<Connection>& Database::connection() const {
    if (!conn_)
        throw EngineError(err::ObjectClosed, QStringLiteral("The database is not open."));
    return conn_;
}

QString Database::location() const {
    return conn_ ? conn_->location() : QString();
}

void Database::interrupt() const noexcept {
    if (conn_)
        conn_->interrupt();
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
