// SQLite handle, result-code mapping, statements, write scopes and field
// conversion of the engine layer. Every SQLite call's result passes through
// Connection::check(), so every failure reaches callers as one EngineError
// with a number and a text that names the file.

#include "connection.h"

#include "dialect.h"
#include "engine_error.h"
#include "value.h"

#include <QFileInfo>
#include <cmath>
#include <limits>
#include <optional>
#include <sqlite3.h>

namespace store {

namespace {

QString fileLabel(const QString& fileName) {
    return QFileInfo(fileName).fileName();
}

bool isWholeNumber(double d) {
    return std::isfinite(d) && std::floor(d) == d;
}

// Whole number for a Long or Integer field, or nullopt when the value is no
// number. Text is read as the engine reads a typed number ("42", " 42 ").
std::optional<qint64> wholeNumber(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return v.toLongLong();
    case QMetaType::Bool:
        return v.toBool() ? -1 : 0;
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = std::nearbyint(v.toDouble()); // halves to even
        if (!std::isfinite(d) || std::fabs(d) > 9.2e18)
            return std::nullopt;
        return static_cast<qint64>(d);
    }
    case QMetaType::QString: {
        const QString t = v.toString().trimmed();
        bool ok = false;
        const qint64 n = t.toLongLong(&ok);
        if (ok)
            return n;
        const double d = t.toDouble(&ok);
        if (ok && isWholeNumber(d) && std::fabs(d) < 9.2e18)
            return static_cast<qint64>(d);
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace

// --- Connection --------------------------------------------------------------

Connection::~Connection() {
    if (db)
        sqlite3_close_v2(db);
}

void Connection::check(int rc, const QString& context) const {
    if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE)
        return;
    raise(rc, context);
}

void Connection::raise(int rc, const QString& context) const {
    const QString file = fileLabel(fileName);
    const QString detail =
        db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
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
    switch (rc & 0xff) {
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

void Connection::exec(const QString& sql) {
    char* msg = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &msg);
    sqlite3_free(msg);
    check(rc, sql);
}

const std::vector<FieldInfo>& Connection::tableFields(const QString& table) {
    const QString key = table.toLower();
    if (auto it = tables_.find(key); it != tables_.end())
        return it->second;
    std::vector<FieldInfo> fields;
    {
        // table_info reports nothing (no error) for a missing table.
        Statement st(*this, QStringLiteral("SELECT name, type FROM pragma_table_info(?1)"));
        st.bind(1, table);
        while (st.step()) {
            FieldInfo f;
            f.name = st.column(0, schema::FieldKind::Text, true).toString();
            const QString declared = st.column(1, schema::FieldKind::Text, true).toString();
            f.kind = schema::kindFromDeclared(declared, &f.width);
            if (declared.toUpper().contains(QLatin1String("PRIMARY KEY")) ||
                declared.toUpper().startsWith(QLatin1String("INTEGER PRIMARY")))
                f.kind = schema::FieldKind::Counter;
            f.known = true;
            fields.push_back(f);
        }
    }
    if (fields.empty())
        throw EngineError(err::TableNotFound,
                          QStringLiteral("The register has no table named '%1'.").arg(table));
    // pragma_table_info gives the type without "PRIMARY KEY"; the row id
    // alias is the column whose pk flag is set and whose type is INTEGER.
    {
        Statement st(*this, QStringLiteral("SELECT name FROM pragma_table_info(?1) WHERE pk = 1 "
                                           "AND upper(type) = 'INTEGER'"));
        st.bind(1, table);
        if (st.step()) {
            const QString pk = st.column(0, schema::FieldKind::Text, true).toString();
            for (FieldInfo& f : fields)
                if (f.name.compare(pk, Qt::CaseInsensitive) == 0)
                    f.kind = schema::FieldKind::Counter;
        }
    }
    return tables_.emplace(key, std::move(fields)).first->second;
}

int Connection::lockTableNumber(const QString& table) const {
    const auto all = schema::tables();
    for (size_t i = 0; i < all.size(); ++i)
        if (table.compare(QLatin1String(all[i].name), Qt::CaseInsensitive) == 0)
            return static_cast<int>(i) + 1;
    return 64 + static_cast<int>(qHash(table.toLower()) % 128);
}

// --- Statement ---------------------------------------------------------------

Statement::Statement(Connection& conn, const QString& sql) : conn_(&conn), sql_(sql) {
    if (!conn_->db)
        throw EngineError(err::ObjectClosed, QStringLiteral("The database is not open."));
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(conn_->db, utf8.constData(), static_cast<int>(utf8.size()),
                                      &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        conn_->raise(rc, sql);
    }
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

void Statement::bind(int i, const QVariant& value) {
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

bool Statement::step() {
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

void Statement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int Statement::columnCount() const {
    return sqlite3_column_count(stmt_);
}

QString Statement::columnName(int i) const {
    return QString::fromUtf8(sqlite3_column_name(stmt_, i));
}

QString Statement::columnDeclared(int i) const {
    const char* t = sqlite3_column_decltype(stmt_, i);
    return t ? QString::fromUtf8(t) : QString();
}

bool Statement::columnIsNull(int i) const {
    return sqlite3_column_type(stmt_, i) == SQLITE_NULL;
}

qint64 Statement::columnInt(int i) const {
    return sqlite3_column_int64(stmt_, i);
}

QVariant Statement::column(int i, schema::FieldKind kind, bool known) const {
    const int t = sqlite3_column_type(stmt_, i);
    if (t == SQLITE_NULL)
        return {};
    auto text = [&] {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
        return QString::fromUtf8(p, sqlite3_column_bytes(stmt_, i));
    };
    using K = schema::FieldKind;
    if (known && kind == K::Date && t == SQLITE_TEXT) {
        const QDateTime d = dialect::fromStoredDate(text());
        return d.isValid() ? QVariant(d) : QVariant(text());
    }
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

// --- WriteScope --------------------------------------------------------------

WriteScope::WriteScope(Connection& c) : c_(c) {
    if (!c_.explicitTransaction && sqlite3_get_autocommit(c_.db)) {
        c_.exec(QStringLiteral("BEGIN IMMEDIATE"));
        own_ = true;
    }
}

WriteScope::~WriteScope() {
    if (own_)
        sqlite3_exec(c_.db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void WriteScope::commit() {
    if (!own_)
        return;
    c_.exec(QStringLiteral("COMMIT"));
    own_ = false;
}

// --- conversion on write -----------------------------------------------------

QVariant convertForField(const FieldInfo& f, const QVariant& value) {
    using K = schema::FieldKind;
    if (isNull(value))
        return {};
    auto refuse = [&](const QString& expected) -> EngineError {
        return EngineError(err::ConversionError,
                           QStringLiteral("The value '%1' does not fit the field '%2' (%3).")
                               .arg(value.toString(), f.name, expected));
    };
    switch (f.kind) {
    case K::Counter:
        throw EngineError(
            err::NotSupported,
            QStringLiteral("The field '%1' is numbered by the register and cannot be set.")
                .arg(f.name));
    case K::Long:
    case K::Integer: {
        const bool small = f.kind == K::Integer;
        const qint64 lo = small ? -32768 : std::numeric_limits<qint32>::min();
        const qint64 hi = small ? 32767 : std::numeric_limits<qint32>::max();
        const QString range = QStringLiteral("a whole number from %1 to %2").arg(lo).arg(hi);
        const auto n = wholeNumber(value);
        if (!n || *n < lo || *n > hi)
            throw refuse(range);
        return QVariant(static_cast<int>(*n));
    }
    case K::Date: {
        if (value.typeId() == QMetaType::QDateTime)
            return QVariant(dialect::storedDate(value.toDateTime()));
        if (value.typeId() == QMetaType::QDate && value.toDate().isValid())
            return QVariant(dialect::storedDate(QDateTime(value.toDate(), QTime(0, 0), Qt::UTC)));
        if (value.typeId() == QMetaType::QString)
            if (const auto d = dialect::parseDateLiteral(value.toString().trimmed()))
                return QVariant(dialect::storedDate(*d));
        throw refuse(QStringLiteral("a date"));
    }
    case K::Text:
    case K::Memo: {
        QString t = value.typeId() == QMetaType::QDateTime ? dialect::storedDate(value.toDateTime())
                                                           : value.toString();
        if (f.width > 0 && t.size() > f.width)
            throw EngineError(err::FieldTooSmall,
                              QStringLiteral("The text '%1' is longer than the %2 characters the "
                                             "field '%3' can hold.")
                                  .arg(t)
                                  .arg(f.width)
                                  .arg(f.name));
        return QVariant(t);
    }
    }
    return value;
}

} // namespace store
