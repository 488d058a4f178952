// SQLite handle, result-code mapping and statements of the register file
// (see sqlite_connection.h).

#include "sqlite_connection.h"

#include "../dialect.h"
#include "../engine_error.h"
#include "../value.h"
#include "sqlite_backend.h"
#include "sqlite_dates.h"
#include "sqlite_functions.h"
#include "sqlite_schema.h"
#include "table_check.h"
#include "template_copy.h"
#include "text_index.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <limits>
#include <sqlite3.h>

namespace store {

namespace {

QString fileLabel(const QString& fileName) {
    return QFileInfo(fileName).fileName();
}

} // namespace

// --- SqliteConnection --------------------------------------------------------

SqliteConnection::SqliteConnection(const QString& fileName, int flags) : fileName_(fileName) {
    // Never through a link: beside a shared register, a link is what a
    // co-worker would plant to make this user write into a file of theirs.
    // SQLite refuses a link anywhere in the name, so the folders are given
    // as they really are (a register folder reached through a link is
    // ordinary); only the file's own name must not be one.
    const int rc = sqlite3_open_v2(QFile::encodeName(realFolderName(fileName)).constData(), &db_,
                                   flags | SQLITE_OPEN_EXRESCODE | SQLITE_OPEN_NOFOLLOW, nullptr);
    if (rc != SQLITE_OK) {
        // The handle holds the message raise() reads; it goes afterwards.
        struct Closer {
            sqlite3*& db;
            ~Closer() {
                sqlite3_close_v2(db);
                db = nullptr;
            }
        } closer{db_};
        raise(rc, fileName);
    }
    readOnly_ = sqlite3_db_readonly(db_, "main") == 1;
    sqlite3_busy_timeout(db_, busyTimeoutMs);
    installTextFunctions(db_);
    installDateFunction(db_);
}

SqliteConnection::~SqliteConnection() {
    locks_.reset(); // drops this user's reservations before the file is let go
    if (db_)
        sqlite3_close_v2(db_);
}

void SqliteConnection::startReservations() {
    if (!readOnly_)
        locks_ = std::make_unique<RowLocks>(fileName_);
}

RowReservations& SqliteConnection::reservations() {
    if (readOnly_ && db_)
        return reader_;
    if (!locks_)
        throw EngineError(err::ObjectClosed, QStringLiteral("The database is not open."));
    return *locks_;
}

void SqliteConnection::check(int rc, const QString& context) const {
    if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE)
        return;
    raise(rc, context);
}

void SqliteConnection::raise(int rc, const QString& context) const {
    const QString file = fileLabel(fileName_);
    const QString detail =
        db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString::fromUtf8(sqlite3_errstr(rc));
    const QString where = context.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(context);
    // The file was deleted or renamed under the running program: SQLite
    // refuses to write into the unlinked file, whose contents would vanish
    // when the program ends. Say so rather than blame the permissions.
    if (rc == SQLITE_READONLY_DBMOVED)
        throw EngineError(err::ReadOnly,
                          QStringLiteral("The register '%1' was deleted or moved while the program "
                                         "was running; nothing was changed. Close the program and "
                                         "start it again in the register's folder.")
                              .arg(file));
    if (rc == SQLITE_CANTOPEN_SYMLINK)
        throw EngineError(err::NoPermission,
                          QStringLiteral("'%1' is a link to another file; it was left as it was. "
                                         "Open the file it points to under its own name.")
                              .arg(fileName_));
    switch (rc & 0xff) {
    case SQLITE_INTERRUPT:
        throw EngineError(err::Interrupted,
                          QStringLiteral("The work on the register '%1' was stopped before it "
                                         "ended.")
                              .arg(file));
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw EngineError(err::DatabaseBusy,
                          QStringLiteral("The register '%1' stayed busy with another user's change "
                                         "for more than %2 seconds. Please try again.")
                              .arg(file)
                              .arg(busyTimeoutMs / 1000));
    case SQLITE_READONLY:
        throw EngineError(err::ReadOnly,
                          QStringLiteral("The register '%1' cannot be changed: the file or its "
                                         "folder is read-only.")
                              .arg(file));
    case SQLITE_FULL:
        throw EngineError(
            err::DiskFull,
            QStringLiteral("The disk holding '%1' is full; nothing was changed.").arg(file));
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        throw EngineError(
            err::NotADatabase,
            QStringLiteral("'%1' is damaged or is not a register database.").arg(file));
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        throw EngineError(
            err::NoPermission,
            QStringLiteral("The register '%1' cannot be opened: %2.").arg(file, detail));
    case SQLITE_IOERR:
        throw EngineError(err::IoError,
                          QStringLiteral("Reading or writing '%1' failed: %2.").arg(file, detail));
    case SQLITE_CONSTRAINT:
        throw EngineError(
            err::ConversionError,
            QStringLiteral("The change was refused by the register: %1%2.").arg(detail, where));
    default:
        if (detail.startsWith(QLatin1String("no such table")))
            throw EngineError(err::TableNotFound,
                              QStringLiteral("The register has no table or query named '%1'.")
                                  .arg(detail.section(':', 1).trimmed()));
        throw EngineError(err::SyntaxError,
                          QStringLiteral("The statement was refused: %1%2.").arg(detail, where));
    }
}

std::unique_ptr<Statement> SqliteConnection::prepare(const QString& sql) {
    return std::make_unique<SqliteStatement>(*this, sql);
}

void SqliteConnection::exec(const QString& sql) {
    SqliteStatement st(*this, sql);
    while (st.step()) {
    }
}

void SqliteConnection::interrupt() noexcept {
    if (db_)
        sqlite3_interrupt(db_);
}

void SqliteConnection::begin() {
    exec(QStringLiteral("BEGIN IMMEDIATE"));
}

void SqliteConnection::commit() {
    exec(QStringLiteral("COMMIT"));
}

void SqliteConnection::rollback() noexcept {
    if (!sqlite3_get_autocommit(db_))
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool SqliteConnection::inTransaction() const {
    return db_ && !sqlite3_get_autocommit(db_);
}

qint64 SqliteConnection::lastInsertKey() const {
    return sqlite3_last_insert_rowid(db_);
}

qint64 SqliteConnection::counterValue(const QString& table) {
    // AUTOINCREMENT keeps each table's highest number in sqlite_sequence.
    SqliteStatement st(*this, QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?1 "
                                             "COLLATE NOCASE"));
    st.bind(1, table);
    const qint64 seq = st.step() ? st.columnInt(0) : 0;
    st.reset();
    return seq;
}

void SqliteConnection::raiseCounter(const QString& table, qint64 value) {
    if (value <= counterValue(table))
        return;
    // Rows copied in with their numbers have entered a row for the table
    // already; an empty table may have none yet.
    SqliteStatement update(*this, QStringLiteral("UPDATE sqlite_sequence SET seq = ?1 WHERE name = "
                                                 "?2 COLLATE NOCASE"));
    update.bind(1, QVariant(value));
    update.bind(2, table);
    update.step();
    if (sqlite3_changes(db_) == 0) {
        SqliteStatement insert(
            *this, QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (?1, ?2)"));
        insert.bind(1, table);
        insert.bind(2, QVariant(value));
        insert.step();
    }
}

// Only the program's own indexes are dropped and made again, from its own
// schema: what the file declares is never run, since whoever could write
// the file could have put any SQL there. An index the program does not
// know stays as it is (the load is then slower, never wrong).
QStringList SqliteConnection::dropIndexes(const QString& table) {
    QStringList names;
    for (const schema::Table& t : schema::tables())
        if (table.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0)
            names = sqlite::indexNames(t);
    for (const QString& name : names)
        exec(QStringLiteral("DROP INDEX IF EXISTS %1").arg(quoteIdentifier(name)));
    return names;
}

void SqliteConnection::makeIndexes(const QString& table, const QStringList& names) {
    for (const schema::Table& t : schema::tables())
        if (table.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0 && !names.isEmpty())
            for (const QString& sql : sqlite::indexStatements(t, names))
                exec(sql);
}

void SqliteConnection::beginSnapshot() {
    // A deferred transaction takes the file's shared lock at its first
    // read and keeps it to the end: what it reads is one moment's register.
    exec(QStringLiteral("BEGIN"));
    exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
}

QString SqliteConnection::likeNarrowing(const QString& table, const QString& field,
                                        const QString& key, const QString& param,
                                        const QVariant& pattern, QVariant& bound) {
    if (table.compare(QLatin1String("Documents"), Qt::CaseInsensitive) != 0 ||
        pattern.typeId() != QMetaType::QString)
        return {};
    const std::optional<QString> query = sqlite::textIndexQuery(field, pattern.toString());
    // A register of an earlier build opened by a user who may not add the
    // index is filtered without it.
    if (!query || !sqlite::hasTextIndex(*this))
        return {};
    // Narrowed only where the index finds few candidates: the statement
    // then reads just those rows and sorts them. A common pattern walks
    // the index of the list's order instead (for a first screen, only
    // until it is full), which costs less than fetching many rows one by
    // one and sorting them.
    const qint64 changes = sqlite3_total_changes64(db_);
    SqliteStatement dataVersion(*this, QStringLiteral("PRAGMA data_version"));
    dataVersion.step();
    const qint64 version = dataVersion.columnInt(0);
    dataVersion.reset();
    if (probe_.query != *query || probe_.changes != changes || probe_.version != version)
        probe_ = {*query, changes, version, sqlite::fewCandidates(*this, *query)};
    if (!probe_.few)
        return {};
    bound = *query;
    return QStringLiteral("%1 IN (SELECT rowid FROM %2 WHERE %2 MATCH %3)")
        .arg(key, quoteIdentifier(sqlite::textIndexTable()), param);
}

QString SqliteConnection::comparableDate(const QString& column) const {
    return QStringLiteral("%1(%2)").arg(QLatin1String(StoredDateFunction), column);
}

QString SqliteConnection::keyColumn(const QString& table) {
    for (const FieldInfo& f : tableFields(table))
        if (f.kind == schema::FieldKind::Counter)
            return quoteIdentifier(f.name);
    return QStringLiteral("rowid");
}

QString SqliteConnection::integrityCheck() {
    SqliteStatement st(*this, QStringLiteral("PRAGMA integrity_check"));
    QStringList lines;
    while (st.step())
        lines << st.column(0, schema::FieldKind::Text, false).toString();
    return lines.join('\n');
}

std::vector<FieldInfo> SqliteConnection::readTableFields(const QString& table) {
    // table_info reports nothing (no error) for a missing table; its pk
    // column marks the row id alias, whose declared type is INTEGER.
    SqliteStatement st(*this, QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?1)"));
    st.bind(1, table);
    std::vector<FieldInfo> fields;
    while (st.step()) {
        FieldInfo f;
        f.name = st.column(0, schema::FieldKind::Text, true).toString();
        const QString declared = st.column(1, schema::FieldKind::Text, true).toString();
        f.kind = sqlite::kindFromDeclared(declared, &f.width);
        if (st.columnInt(2) == 1 && declared.toUpper().startsWith(QLatin1String("INTEGER")))
            f.kind = schema::FieldKind::Counter;
        f.known = true;
        fields.push_back(f);
    }
    return fields;
}

// --- SqliteStatement ---------------------------------------------------------

SqliteStatement::SqliteStatement(SqliteConnection& conn, const QString& sql)
    : conn_(&conn), sql_(sql) {
    const QByteArray utf8 = sql.toUtf8();
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(conn_->handle(), utf8.constData(),
                                      static_cast<int>(utf8.size()), &stmt_, &tail);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        conn_->raise(rc, sql);
    }
    // Exactly one statement: a second one after it would otherwise be
    // dropped silently. What follows may only be blanks, ';' and comments,
    // which SQLite prepares as no statement at all (nothing is run here).
    const char* end = utf8.constData() + utf8.size();
    bool single = stmt_ != nullptr;
    while (single && tail && tail < end) {
        sqlite3_stmt* extra = nullptr;
        const char* next = nullptr;
        const int more =
            sqlite3_prepare_v2(conn_->handle(), tail, static_cast<int>(end - tail), &extra, &next);
        single = more == SQLITE_OK && extra == nullptr && next > tail;
        sqlite3_finalize(extra);
        tail = next;
    }
    if (!single) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw EngineError(err::SyntaxError,
                          QStringLiteral("The statement was refused: it must be exactly one "
                                         "statement (%1).")
                              .arg(sql));
    }
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(stmt_);
}

void SqliteStatement::bind(int i, const QVariant& value) {
    int rc = SQLITE_OK;
    if (isNull(value)) {
        rc = sqlite3_bind_null(stmt_, i);
    } else {
        switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UInt:
            rc = sqlite3_bind_int64(stmt_, i, value.toLongLong());
            break;
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(stmt_, i, value.toBool() ? -1 : 0);
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(stmt_, i, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            // Bytes go in as they are (a Data field), never as text.
            const QByteArray b = value.toByteArray();
            rc = sqlite3_bind_blob64(stmt_, i, b.constData(), static_cast<sqlite3_uint64>(b.size()),
                                     SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QDateTime:
        case QMetaType::QDate: {
            const QDateTime dt = value.typeId() == QMetaType::QDate
                                     ? QDateTime(value.toDate(), QTime(0, 0), Qt::UTC)
                                     : value.toDateTime();
            const QByteArray t = dialect::storedDate(dt).toUtf8();
            rc = sqlite3_bind_text(stmt_, i, t.constData(), static_cast<int>(t.size()),
                                   SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray t = value.toString().toUtf8();
            rc = sqlite3_bind_text(stmt_, i, t.constData(), static_cast<int>(t.size()),
                                   SQLITE_TRANSIENT);
        }
        }
    }
    conn_->check(rc, sql_);
}

bool SqliteStatement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE) {
        sqlite3_reset(stmt_);
        return false;
    }
    sqlite3_reset(stmt_);
    conn_->raise(rc, sql_);
}

void SqliteStatement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int SqliteStatement::columnCount() const {
    return sqlite3_column_count(stmt_);
}

QString SqliteStatement::columnName(int i) const {
    return QString::fromUtf8(sqlite3_column_name(stmt_, i));
}

QString SqliteStatement::declared(int i) const {
    const char* t = sqlite3_column_decltype(stmt_, i);
    return t ? QString::fromUtf8(t) : QString();
}

bool SqliteStatement::columnFromTable(int i) const {
    return !declared(i).isEmpty();
}

FieldInfo SqliteStatement::columnField(int i) const {
    FieldInfo f;
    f.name = columnName(i);
    const QString t = declared(i);
    if (!t.isEmpty()) {
        f.kind = sqlite::kindFromDeclared(t, &f.width);
        f.known = true;
    }
    return f;
}

bool SqliteStatement::columnIsNull(int i) const {
    return sqlite3_column_type(stmt_, i) == SQLITE_NULL;
}

qint64 SqliteStatement::columnInt(int i) const {
    return sqlite3_column_int64(stmt_, i);
}

QVariant SqliteStatement::column(int i, schema::FieldKind kind, bool known) const {
    const int t = sqlite3_column_type(stmt_, i);
    if (t == SQLITE_NULL)
        return {};
    auto text = [&] {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
        return QString::fromUtf8(p, sqlite3_column_bytes(stmt_, i));
    };
    using K = schema::FieldKind;
    if (t == SQLITE_BLOB && known && kind == K::Data) {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, i));
        return QByteArray(p, sqlite3_column_bytes(stmt_, i));
    }
    // A date field holds the date another program may have stored in any
    // form SQLite reads as one; what is no date stays as stored.
    if (known && kind == K::Date && t == SQLITE_TEXT) {
        const QDateTime d = dialect::fromStoredDate(text());
        return d.isValid() ? QVariant(d) : QVariant(text());
    }
    if (known && kind == K::Date && (t == SQLITE_INTEGER || t == SQLITE_FLOAT))
        if (const QDateTime d = dialect::fromJulianDay(sqlite3_column_double(stmt_, i));
            d.isValid())
            return d;
    switch (t) {
    case SQLITE_INTEGER: {
        const qint64 n = sqlite3_column_int64(stmt_, i);
        if (n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max())
            return QVariant(static_cast<int>(n));
        return QVariant(n);
    }
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt_, i));
    default:
        return QVariant(text());
    }
}

const Backend& SqliteConnection::backend() const {
    return registerFileBackend();
}

void SqliteConnection::requireWholeTables() {
    requireTablesAgreeWithIndexes(*this);
}

} // namespace store
