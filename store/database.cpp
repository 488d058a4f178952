// Opening and creating register files. Opening never creates a file and
// checks, before SQLite is asked, what a user can be told plainly: that the
// file is missing, is a folder, or cannot be written (a register is always
// opened for writing, and SQLite's journal needs the folder writable too).

#include "database.h"

#include "connection.h"
#include "dialect.h"
#include "recordset.h"
#include "schema_upgrade.h"
#include "text_match.h"

#include <QDir>
#include <QFileInfo>
#include <sqlite3.h>
#include <unistd.h>

namespace store {

namespace {

std::shared_ptr<Connection> connect(const QString& fileName, int flags) {
    auto c = std::make_shared<Connection>();
    c->fileName = fileName;
    const int rc = sqlite3_open_v2(QFile::encodeName(fileName).constData(), &c->db,
                                   flags | SQLITE_OPEN_EXRESCODE, nullptr);
    if (rc != SQLITE_OK)
        c->raise(rc, fileName);
    sqlite3_busy_timeout(c->db, Connection::busyTimeoutMs);
    textmatch::install(c->db);
    return c;
}

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

// A file that opens is a register only when it holds both tables; reading
// the schema also makes SQLite look at the file's header.
void requireRegister(Connection& c) {
    for (const schema::Table& t : schema::tables()) {
        Statement st(
            c, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 "
                              "COLLATE NOCASE"));
        st.bind(1, QString::fromLatin1(t.name));
        if (!st.step())
            throw EngineError(err::NotADatabase,
                              QStringLiteral("'%1' is a database but not a register: it has no "
                                             "table '%2'.")
                                  .arg(QFileInfo(c.fileName).fileName(), QLatin1String(t.name)));
        st.reset();
    }
}

} // namespace

Database Database::open(const QString& fileName) {
    const QFileInfo info(fileName);
    if (!info.exists())
        throw EngineError(err::FileNotFound,
                          QStringLiteral("Could not find the register '%1'.").arg(fileName));
    if (!info.isFile())
        throw EngineError(err::NotADatabase,
                          QStringLiteral("'%1' is a folder, not a register.").arg(fileName));
    requireWritable(info);
    auto c = connect(fileName, SQLITE_OPEN_READWRITE);
    requireRegister(*c);
    upgradeRegister(*c);
    c->locks = std::make_unique<RowLocks>(fileName);
    return Database(std::move(c));
}

Database Database::create(const QString& fileName) {
    if (QFileInfo::exists(fileName))
        throw EngineError(err::IoError,
                          QStringLiteral("Cannot create '%1': the file exists.").arg(fileName));
    auto c = connect(fileName, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    {
        WriteScope w(*c);
        c->exec(schema::createStatements());
        w.commit();
    }
    c->locks = std::make_unique<RowLocks>(fileName);
    return Database(std::move(c));
}

const std::shared_ptr<Connection>& Database::connection() const {
    if (!conn_)
        throw EngineError(err::ObjectClosed, QStringLiteral("The database is not open."));
    return conn_;
}

QString Database::fileName() const {
    return conn_ ? conn_->fileName : QString();
}

QString Database::integrityCheck() const {
    Statement st(*connection(), QStringLiteral("PRAGMA integrity_check"));
    QStringList lines;
    while (st.step())
        lines << st.column(0, schema::FieldKind::Text, false).toString();
    return lines.join('\n');
}

void Database::execute(const QString& statement) const {
    Connection& c = *connection();
    WriteScope w(c);
    c.exec(dialect::translate(statement));
    w.commit();
}

} // namespace store
