// Choosing a register's backend by its location (see backend.h), and the
// backup every backend may fall back on.

#include "backend.h"

#include "engine_error.h"
#include "file_contents_check.h"
#include "file_identity.h"
#include "postgres/pg_backend.h"
#include "register_backup.h"
#include "register_copy_snapshot.h"
#include "sqlite/sqlite_backend.h"

namespace store {

bool isServerLocation(const QString& location) {
    return location.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           location.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

const Backend& backendFor(const QString& location) {
    return isServerLocation(location) ? serverBackend() : registerFileBackend();
}

const Backend& backupBackend() {
    return registerFileBackend();
}

TableRows Backend::backUp(const Database& source, const QString& temp, FileIdentity& made) const {
    const Database copy = Database::create(temp);
    made = identityOf(temp);
    TableRows rows = copyRegisterSnapshot(source, temp, {}).tableRows;
    dropStagedContents(*copy.connection(), rows);
    return rows;
}

BackupOutcome Backend::storeBackup(const Database&, const QString& target, bool) const {
    throw EngineError(err::NotSupported,
                      QStringLiteral("A backup is stored only as a register file, not in '%1'.")
                          .arg(shownLocation(target)));
}

} // namespace store
