// Keeping a register file in rollback-journal mode (see journal_mode.h).

#include "journal_mode.h"

#include "../connection.h"
#include "../engine_error.h"
#include "sqlite_connection.h"

#include <QFileInfo>
#include <sqlite3.h>

namespace store {

namespace {

/// The file's journal mode after running `pragma` ("wal", "delete", ...).
QString journalMode(SqliteConnection& c, const QString& pragma) {
    SqliteStatement st(c, pragma);
    const QString mode =
        st.step() ? st.column(0, schema::FieldKind::Text, true).toString().toLower() : QString();
    st.reset();
    return mode;
}

} // namespace

void keepRollbackJournal(SqliteConnection& c) {
    if (journalMode(c, QStringLiteral("PRAGMA journal_mode")) != QLatin1String("wal") ||
        sqlite3_db_readonly(c.handle(), "main") == 1)
        return;
    // Leaving the log needs the file to itself; another user's program
    // holding it open is not waited for.
    sqlite3_busy_timeout(c.handle(), 0);
    QString mode;
    try {
        mode = journalMode(c, QStringLiteral("PRAGMA journal_mode = DELETE"));
    } catch (const EngineError& e) {
        if (e.number() != err::DatabaseBusy) {
            waitForLocks(c.handle());
            throw;
        }
    }
    waitForLocks(c.handle());
    if (mode != QLatin1String("delete"))
        throw EngineError(
            err::NotSupported,
            QStringLiteral("The register '%1' was switched to write-ahead logging by another "
                           "program, which does not work in a shared folder, and other programs "
                           "have it open, so it cannot be switched back. Close them and open "
                           "the register again.")
                .arg(QFileInfo(c.location()).fileName()));
}

} // namespace store
