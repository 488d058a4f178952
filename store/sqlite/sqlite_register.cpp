// Register files: opening, checking and making them (see sqlite_register.h).

#include "sqlite_register.h"

#include "../engine_error.h"
#include "journal_mode.h"
#include "schema_upgrade.h"
#include "sqlite_connection.h"
#include "sqlite_schema.h"
#include "template_copy.h"

#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>
#include <unistd.h>

namespace store {

namespace {

bool mayAccess(const QString& path, int mode) {
    return ::access(QFile::encodeName(path).constData(), mode) == 0;
}

/// Whether this user may change the register: write the file, and make
/// the journal and lock files in its folder. access() answers for this
/// user's own permissions and also says no on a file system mounted
/// read-only. A user who may read only gets the register read only.
bool mayWrite(const QFileInfo& file) {
    return mayAccess(file.absoluteFilePath(), R_OK | W_OK) &&
           mayAccess(file.absolutePath(), W_OK | X_OK);
}

void requireReadable(const QFileInfo& file) {
    if (!mayAccess(file.absoluteFilePath(), R_OK))
        throw EngineError(err::NoPermission,
                          QStringLiteral("The register '%1' cannot be opened for reading: "
                                         "permission denied. Ask whoever looks after the folder "
                                         "for access.")
                              .arg(file.fileName()));
}

/// Opens the file for reading and writing where this user may, else (or
/// when SQLite cannot open it for writing after all) for reading only.
std::shared_ptr<SqliteConnection> openFile(const QString& name) {
    const QFileInfo file(name);
    if (mayWrite(file)) {
        try {
            return std::make_shared<SqliteConnection>(name, SQLITE_OPEN_READWRITE);
        } catch (const EngineError& e) {
            if (e.number() != err::NoPermission && e.number() != err::ReadOnly)
                throw;
        }
    }
    requireReadable(file);
    return std::make_shared<SqliteConnection>(name, SQLITE_OPEN_READONLY);
}

// A file that opens is a register only when it holds the tables every
// version had (later ones are added when it is opened); reading the schema
// also makes SQLite look at the file's header.
void requireRegister(SqliteConnection& c) {
    for (const schema::Table& t : schema::tables()) {
        if (t.since > 1)
            continue;
        SqliteStatement st(
            c, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 "
                              "COLLATE NOCASE"));
        st.bind(1, QString::fromLatin1(t.name));
        if (!st.step())
            throw EngineError(err::NotADatabase,
                              QStringLiteral("'%1' is a database but not a register: it has no "
                                             "table '%2'.")
                                  .arg(QFileInfo(c.location()).fileName(), QLatin1String(t.name)));
        st.reset();
    }
}

} // namespace

std::shared_ptr<Connection> openRegisterFile(const QString& fileName,
                                             const OpenProgress& progress) {
    const QFileInfo info(fileName);
    if (!info.exists())
        throw EngineError(err::FileNotFound,
                          QStringLiteral("Could not find the register '%1'.").arg(fileName));
    if (!info.isFile())
        throw EngineError(err::NotADatabase,
                          QStringLiteral("'%1' is a folder, not a register.").arg(fileName));
    auto c = openFile(fileName);
    requireRegister(*c);
    keepRollbackJournal(*c);
    // A register of an earlier build is read as it is by a user who may
    // not convert it.
    if (!c->readOnly())
        upgradeRegister(*c, progress);
    c->startReservations();
    return c;
}

std::shared_ptr<Connection> createRegisterFile(const QString& fileName) {
    // Made here, never over a file or a link already there; SQLite then
    // opens the new, empty file.
    createNewFile(fileName);
    auto c = std::make_shared<SqliteConnection>(fileName, SQLITE_OPEN_READWRITE);
    {
        WriteScope w(*c);
        for (const QString& statement : sqlite::createStatementList())
            c->exec(statement);
        w.commit();
    }
    c->startReservations();
    return c;
}

} // namespace store
