// Choosing a register's backend by its location (see backend.h), and the
// backup every backend may fall back on.

#include "backend.h"

#include "postgres/pg_backend.h"
#include "register_copy_snapshot.h"
#include "sqlite/sqlite_backend.h"
#include "sqlite/template_copy.h"

namespace store {

bool isServerLocation(const QString& location) {
    return location.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           location.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

const Backend& backendFor(const QString& location) {
    return isServerLocation(location) ? serverBackend() : registerFileBackend();
}

TableRows Backend::backUp(const Database& source, const QString& temp, FileIdentity& made) const {
    Database::create(temp);
    made = identityOf(temp);
    return copyRegisterSnapshot(source, temp, {}).tableRows;
}

} // namespace store
