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

void requireWritable(const QFileInfo& file) {
    const QString name = file.fileName();
    if (::access(QFile::encodeName(file.absoluteFilePath()).constData(), R_OK | W_OK) != 0)
        throw EngineError(
            err::NoPermission,
            QStringLiteral("The register '%1' cannot be opened for reading and writing: "
                           "permission denied. Ask whoever looks after the folder "
                           "for write access.")
                .arg(name));
    if (::access(QFile::encodeName(file.absolutePath()).constData(), W_OK | X_OK) != 0)
        throw EngineError(
            err::NoPermission,
            QStringLiteral("The folder of the register '%1' is read-only; the register "
                           "needs it writable for its journal and lock files.")
                .arg(name));
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

std::shared_ptr<Connection> openRegisterFile(const QString& fileName) {
    const QFileInfo info(fileName);
    if (!info.exists())
        throw EngineError(err::FileNotFound,
                          QStringLiteral("Could not find the register '%1'.").arg(fileName));
    if (!info.isFile())
        throw EngineError(err::NotADatabase,
                          QStringLiteral("'%1' is a folder, not a register.").arg(fileName));
    requireWritable(info);
    auto c = std::make_shared<SqliteConnection>(fileName, SQLITE_OPEN_READWRITE);
    requireRegister(*c);
    keepRollbackJournal(*c);
    upgradeRegister(*c);
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
