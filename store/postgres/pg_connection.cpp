// The server register's connection and statements (see pg_connection.h).

#include "pg_connection.h"

#include "../dialect.h"
#include "../engine_error.h"
#include "../value.h"
#include "pg_address.h"
#include "pg_pattern.h"
#include "pg_rules.h"
#include "pg_sql.h"

#include <QRegularExpression>
#include <QStringList>
#include <libpq-fe.h>
#include <limits>

namespace store {

namespace {

// Type numbers of the server's built-in types (pg_type.oid).
constexpr Oid Int8 = 20, Int2 = 21, Int4 = 23, Text = 25, Float4 = 700, Float8 = 701, Bpchar = 1042,
              Varchar = 1043, Date = 1082, Timestamp = 1114, TimestampTz = 1184, Numeric = 1700,
              Bool = 16, Bytea = 17;

QString detailOf(const pg_result* r, pg_conn* conn) {
    const char* primary = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    return QString::fromUtf8(primary ? primary : PQerrorMessage(conn)).trimmed();
}

/// A message for a connection that could not be made, from libpq's text.
EngineError connectionRefused(const postgres::ServerAddress& a, const QString& detail) {
    const QString server = QStringLiteral("the server '%1'").arg(a.host);
    if (detail.contains(QLatin1String("password authentication failed")))
        return EngineError(err::NoPermission,
                           QStringLiteral("The register cannot be opened: %1 refused the user "
                                          "'%2' (wrong password).")
                               .arg(server, a.user));
    if (detail.contains(QLatin1String("no password supplied")))
        return EngineError(err::NoPermission,
                           QStringLiteral("The register cannot be opened: %1 asks for a password "
                                          "for the user '%2'. Put it in the file ~/.pgpass (or "
                                          "in the file PGPASSFILE names, or with a service file "
                                          "of libpq) rather than in the address, where others "
                                          "may read it.")
                               .arg(server, a.user));
    if (detail.contains(QLatin1String("database \"")) &&
        detail.contains(QLatin1String("does not exist")))
        return EngineError(err::FileNotFound,
                           QStringLiteral("The register cannot be opened: %1 has no database '%2'.")
                               .arg(server, a.database));
    if (detail.contains(QLatin1String("role \"")) &&
        detail.contains(QLatin1String("does not exist")))
        return EngineError(err::NoPermission,
                           QStringLiteral("The register cannot be opened: %1 knows no user '%2'.")
                               .arg(server, a.user));
    if (detail.contains(QLatin1String("Connection refused")) ||
        detail.contains(QLatin1String("No such file or directory")) ||
        detail.contains(QLatin1String("could not translate host name")) ||
        detail.contains(QLatin1String("timeout expired")) ||
        detail.contains(QLatin1String("No route to host")) ||
        detail.contains(QLatin1String("the database system is")))
        return EngineError(err::IoError,
                           QStringLiteral("The register cannot be opened: %1 cannot be reached. "
                                          "Is the server running, and is the address right?\n(%2)")
                               .arg(server, detail));
    return EngineError(
        err::NoPermission,
        QStringLiteral("The register on %1 cannot be opened: %2").arg(server, detail));
}

/// A stored date from the server's ISO text ("2004-03-07 10:20:30", with
/// fractions of a second dropped).
QVariant dateFrom(const QString& text) {
    const QDateTime d = dialect::fromStoredDate(text.left(19));
    if (d.isValid())
        return d;
    const QDateTime day = dialect::fromStoredDate(text.left(10));
    return day.isValid() ? QVariant(day) : QVariant(text);
}

/// A value bound as the server reads a parameter of unknown type: its text.
std::optional<QByteArray> parameterText(const QVariant& value) {
    if (isNull(value))
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::Bool:
        return QByteArray(value.toBool() ? "-1" : "0");
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UInt:
        return QByteArray::number(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return QByteArray::number(value.toDouble(), 'g', 17);
    case QMetaType::QDate:
        return dialect::storedDate(QDateTime(value.toDate(), QTime(0, 0), Qt::UTC)).toUtf8();
    case QMetaType::QDateTime:
        return dialect::storedDate(value.toDateTime()).toUtf8();
    case QMetaType::QByteArray:
        // Bytes (a Data field) in bytea's hex form, which the server reads
        // whatever its settings; never as text, which could not hold NUL.
        return QByteArray("\\x") + value.toByteArray().toHex();
    default:
        break;
    }
    const QString text = value.toString();
    if (text.contains(QChar(0)))
        throw EngineError(err::ConversionError,
                          QStringLiteral("The text '%1' holds a NUL character, which a server "
                                         "register cannot store.")
                              .arg(QString(text).replace(QChar(0), QLatin1Char(' '))));
    return text.toUtf8();
}

} // namespace

// --- PgConnection ------------------------------------------------------------

PgConnection::PgConnection(const QString& uri) : reservations_(*this) {
    const postgres::ServerAddress address = postgres::readAddress(uri);
    location_ = address.shown;
    describe_ = address.describe();
    // Settings given in the address win over these (they come later).
    const QByteArray utf8 = uri.toUtf8();
    const char* keys[] = {"connect_timeout",
                          "application_name",
                          "keepalives_idle",
                          "keepalives_interval",
                          "keepalives_count",
                          "dbname",
                          nullptr};
    const char* values[] = {"10", "tolvane", "60", "10", "6", utf8.constData(), nullptr};
    conn_ = PQconnectdbParams(keys, values, 1);
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
        const QString detail = QString::fromUtf8(conn_ ? PQerrorMessage(conn_) : "out of memory");
        PQfinish(conn_);
        conn_ = nullptr;
        // libpq's words may quote the address; its password never shows.
        throw connectionRefused(address, postgres::withoutPassword(detail.trimmed(), uri));
    }
    renewCancel();
    startSession();
}

PgConnection::~PgConnection() {
    {
        const std::lock_guard lock(cancelLock_);
        PQfreeCancel(cancel_);
        cancel_ = nullptr;
    }
    PQfinish(conn_);
}

void PgConnection::renewCancel() noexcept {
    const std::lock_guard lock(cancelLock_);
    PQfreeCancel(cancel_);
    cancel_ = PQgetCancel(conn_);
}

void PgConnection::interrupt() noexcept {
    const std::lock_guard lock(cancelLock_);
    if (!cancel_ || !running_)
        return;
    // Sent over a connection of its own; the answer to the statement says
    // whether it came in time, so a refusal here needs no report.
    char refused[256];
    PQcancel(cancel_, refused, sizeof refused);
}

void PgConnection::startSession() {
    PQsetClientEncoding(conn_, "UTF8");
    // The server's notices ("already exists, skipping" when an older
    // register gains a table) are not for the user; errors come as results.
    PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);
    // Every setting the program's SQL relies on, whatever the server, the
    // database or the role were given: backslashes in texts are themselves
    // (the LIKE patterns escape with them); dates read and print as ISO,
    // bytes as hex; numbers print exactly; "x = NULL" is never true; a
    // transaction sees what writers committed before each statement (the
    // write lock's promise); GIN indexes return every match. Beside them: a writer
    // waits for another at most busyTimeoutMs; the trigram indexes of the
    // list filters are preferred to reading the whole table (the default
    // cost of a random page assumes spinning disks); keepalives.
    run(QStringLiteral("SET standard_conforming_strings = on; "
                       "SET DateStyle = 'ISO, MDY'; SET IntervalStyle = postgres; "
                       "SET bytea_output = hex; "
                       "SET extra_float_digits = 1; "
                       "SET transform_null_equals = off; "
                       "SET default_transaction_isolation = 'read committed'; "
                       "SET gin_fuzzy_search_limit = 0; "
                       "SET lock_timeout = %1; "
                       "SET random_page_cost = 1.1; SET tcp_keepalives_idle = 60; "
                       "SET tcp_keepalives_interval = 10; "
                       "SET tcp_keepalives_count = 6")
            .arg(busyTimeoutMs),
        true);
}

void PgConnection::learnAccess() {
    const PgResult r =
        run(QStringLiteral("SELECT NOT (has_table_privilege('documents', 'INSERT') AND "
                           "has_table_privilege('documents', 'UPDATE') AND "
                           "has_table_privilege('documents', 'DELETE')) OR "
                           "pg_is_in_recovery() OR "
                           "current_setting('transaction_read_only') = 'on'"),
            true);
    readOnly_ = PQntuples(r.get()) == 1 && qstrcmp(PQgetvalue(r.get(), 0, 0), "t") == 0;
}

void PgConnection::raiseLost(const QString& detail) {
    throw EngineError(err::IoError,
                      QStringLiteral("The connection to %1 was lost; nothing of the work under "
                                     "way was stored. Please try again once the server can be "
                                     "reached.\n(%2)")
                          .arg(describe_, detail));
}

void PgConnection::ensureOpen() {
    settle();
    if (PQstatus(conn_) == CONNECTION_OK)
        return;
    const QString detail = QString::fromUtf8(PQerrorMessage(conn_)).trimmed();
    const bool wasWorking = working_;
    working_ = false;
    PQreset(conn_);
    if (PQstatus(conn_) != CONNECTION_OK)
        raiseLost(QString::fromUtf8(PQerrorMessage(conn_)).trimmed());
    ++generation_;
    renewCancel();
    startSession();
    reservations_.retake();
    if (wasWorking)
        raiseLost(detail);
}

QByteArray PgConnection::nextStatementName() {
    return "tolvane_" + QByteArray::number(++statements_);
}

void PgConnection::raise(const pg_result* result, const QString& context) {
    const QString state =
        QString::fromLatin1(result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr);
    const QString detail = detailOf(result, conn_);
    const QString where = context.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(context);
    if (PQstatus(conn_) != CONNECTION_OK || state.startsWith(QLatin1String("08")) ||
        state == QLatin1String("57P01") || state == QLatin1String("57P02") ||
        state == QLatin1String("57P03"))
        raiseLost(detail);
    if (state == QLatin1String("57014"))
        throw EngineError(
            err::Interrupted,
            QStringLiteral("The work on %1 was stopped before it ended.").arg(describe_));
    if (state == QLatin1String("55P03") || state.startsWith(QLatin1String("40")))
        throw EngineError(err::DatabaseBusy,
                          QStringLiteral("The register on %1 stayed busy with another user's "
                                         "change for more than %2 seconds. Please try again.")
                              .arg(describe_)
                              .arg(busyTimeoutMs / 1000));
    if (state == QLatin1String("42501"))
        throw EngineError(
            err::NoPermission,
            QStringLiteral("The user has no rights for this in %1: %2.").arg(describe_, detail));
    if (state == QLatin1String("53100"))
        throw EngineError(err::DiskFull,
                          QStringLiteral("The disk of the server holding %1 is full; nothing was "
                                         "changed.")
                              .arg(describe_));
    if (state == QLatin1String("25006"))
        throw EngineError(err::ReadOnly,
                          QStringLiteral("The register on %1 cannot be changed: the server "
                                         "accepts no changes (%2).")
                              .arg(describe_, detail));
    if (state == QLatin1String("42P01"))
        throw EngineError(err::TableNotFound,
                          QStringLiteral("The register has no table or query named in '%1': %2.")
                              .arg(context, detail));
    if (state.startsWith(QLatin1String("23")) || state.startsWith(QLatin1String("22")))
        throw EngineError(
            err::ConversionError,
            QStringLiteral("The change was refused by the register: %1%2.").arg(detail, where));
    throw EngineError(err::SyntaxError,
                      QStringLiteral("The statement was refused: %1%2.").arg(detail, where));
}

PgResult PgConnection::run(const QString& sql, bool native) {
    ensureOpen();
    const QByteArray text = (native ? sql : postgres::rewrite(sql).sql).toUtf8();
    const Running running(*this);
    PgResult r(PQexec(conn_, text.constData()));
    const ExecStatusType status = PQresultStatus(r.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        raise(r.get(), sql);
    return r;
}

PgResult PgConnection::runWith(const QByteArray& sql,
                               const std::vector<std::optional<QByteArray>>& values) {
    ensureOpen();
    std::vector<const char*> pointers;
    for (const auto& v : values)
        pointers.push_back(v ? v->constData() : nullptr);
    const Running running(*this);
    PgResult r(PQexecParams(conn_, sql.constData(), static_cast<int>(values.size()), nullptr,
                            pointers.data(), nullptr, nullptr, 0));
    const ExecStatusType status = PQresultStatus(r.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        raise(r.get(), QString::fromUtf8(sql));
    return r;
}

std::unique_ptr<Statement> PgConnection::prepare(const QString& sql) {
    return std::make_unique<PgStatement>(*this, sql);
}

void PgConnection::exec(const QString& sql) {
    run(sql, false);
}

void PgConnection::begin() {
    // One round trip: the transaction, then the writers' lock. A lock not
    // had in time leaves an aborted transaction, which goes at once.
    try {
        run(QStringLiteral("BEGIN; SELECT pg_advisory_xact_lock(0, 1)"), true);
    } catch (const EngineError&) {
        rollback();
        throw;
    }
    working_ = true;
}

void PgConnection::commit() {
    // A connection opened anew knows nothing of the transaction: COMMIT
    // would answer with a mere warning, so the loss is reported here.
    settle();
    if (PQstatus(conn_) != CONNECTION_OK || PQtransactionStatus(conn_) != PQTRANS_INTRANS) {
        working_ = false;
        if (PQstatus(conn_) != CONNECTION_OK)
            ensureOpen();
        raiseLost(QStringLiteral("the transaction ended before it was committed"));
    }
    working_ = false;
    run(QStringLiteral("COMMIT"), true);
}

void PgConnection::rollback() noexcept {
    settle();
    working_ = false;
    if (conn_ && PQstatus(conn_) == CONNECTION_OK && PQtransactionStatus(conn_) != PQTRANS_IDLE)
        PgResult(PQexec(conn_, "ROLLBACK"));
}

bool PgConnection::inTransaction() const {
    settle();
    return working_ ||
           (PQstatus(conn_) == CONNECTION_OK && PQtransactionStatus(conn_) != PQTRANS_IDLE);
}

qint64 PgConnection::counterValue(const QString& table) {
    // The identity column's sequence; is_called tells whether last_value
    // was handed out or is the next to hand out.
    const PgResult r =
        runWith("SELECT CASE WHEN s.last_value IS NULL THEN 0 ELSE s.last_value END "
                "FROM pg_sequences s WHERE (s.schemaname || '.' || s.sequencename)::"
                "regclass = pg_get_serial_sequence(lower($1), $2)::regclass",
                {table.toUtf8(), keyColumn(table).remove(QLatin1Char('"')).toLower().toUtf8()});
    return PQntuples(r.get()) ? QByteArray(PQgetvalue(r.get(), 0, 0)).toLongLong() : 0;
}

void PgConnection::raiseCounter(const QString& table, qint64 value) {
    if (value <= counterValue(table))
        return;
    runWith("SELECT setval(pg_get_serial_sequence(lower($1), $2), $3, true)",
            {table.toUtf8(), keyColumn(table).remove(QLatin1Char('"')).toLower().toUtf8(),
             QByteArray::number(value)});
}

QStringList PgConnection::dropIndexes(const QString& table) {
    const PgResult r =
        runWith("SELECT c.relname, pg_get_indexdef(i.indexrelid) FROM pg_index i JOIN "
                "pg_class c ON c.oid = i.indexrelid JOIN pg_class t ON t.oid = "
                "i.indrelid WHERE t.relname = lower($1) AND t.relnamespace = "
                "current_schema()::regnamespace AND NOT i.indisprimary",
                {table.toUtf8()});
    QStringList names, remake;
    for (int i = 0; i < PQntuples(r.get()); ++i) {
        names << QString::fromUtf8(PQgetvalue(r.get(), i, 0));
        remake << QString::fromUtf8(PQgetvalue(r.get(), i, 1));
    }
    for (const QString& name : names)
        run(QStringLiteral("DROP INDEX %1").arg(quoteIdentifier(name)), true);
    holdHistory(table, true);
    return remake;
}

void PgConnection::holdHistory(const QString& table, bool hold) {
    if (!serverHistory_)
        return;
    QString trigger;
    if (table.compare(QLatin1String("Documents"), Qt::CaseInsensitive) == 0)
        trigger = postgres::historyTrigger();
    else if (table.compare(QLatin1String("DocumentFiles"), Qt::CaseInsensitive) == 0)
        trigger = postgres::fileHistoryTrigger();
    else
        return;
    run(QStringLiteral("ALTER TABLE %1 %2 TRIGGER %3")
            .arg(table.toLower(), hold ? QLatin1String("DISABLE") : QLatin1String("ENABLE"),
                 trigger),
        true);
}

void PgConnection::makeIndexes(const QString& table, const QStringList& statements) {
    for (const QString& sql : statements)
        run(sql, true);
    holdHistory(table, false);
    // A table filled in this transaction has no statistics yet; without
    // them the planner reads it whole for every page of a key range.
    run(QStringLiteral("ANALYZE %1").arg(quoteIdentifier(table.toLower())), true);
}

void PgConnection::beginSnapshot() {
    run(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ, READ ONLY"), true);
    working_ = true;
}

QString PgConnection::integrityCheck() {
    // The server keeps its own files whole; what is checked here is that
    // the register answers and its two tables are readable.
    run(QStringLiteral("SELECT count(*) FROM documents, (SELECT 1 FROM types LIMIT 1) t "
                       "WHERE false"),
        true);
    return QStringLiteral("ok");
}

std::vector<FieldInfo> PgConnection::readTableFields(const QString& table) {
    const PgResult r =
        runWith("SELECT a.attname, t.typname, a.atttypmod, a.attidentity <> '' FROM pg_attribute a "
                "JOIN pg_class c ON c.oid = a.attrelid JOIN pg_type t ON t.oid = a.atttypid "
                "WHERE c.relname = lower($1) AND c.relnamespace = current_schema()::regnamespace "
                "AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum",
                {table.toUtf8()});
    const schema::Table* known = schema::findTable(table);
    std::vector<FieldInfo> fields;
    for (int i = 0; i < PQntuples(r.get()); ++i) {
        FieldInfo f;
        f.name = QString::fromUtf8(PQgetvalue(r.get(), i, 0));
        const QByteArray type = PQgetvalue(r.get(), i, 1);
        const int mod = QByteArray(PQgetvalue(r.get(), i, 2)).toInt();
        const bool identity = PQgetvalue(r.get(), i, 3)[0] == 't';
        using K = schema::FieldKind;
        f.kind = identity                                                         ? K::Counter
                 : type == "int2"                                                 ? K::Integer
                 : type == "int4"                                                 ? K::Long
                 : type == "int8"                                                 ? K::Long
                 : type == "timestamp" || type == "date" || type == "timestamptz" ? K::Date
                 : type == "bytea"                                                ? K::Data
                                                                                  : K::Text;
        if (type == "varchar" && mod > 4)
            f.width = mod - 4;
        // The schema's own spelling and kind (Memo) of a field it knows.
        if (known)
            for (const schema::Field& s : known->fields)
                if (f.name.compare(QLatin1String(s.name), Qt::CaseInsensitive) == 0) {
                    f.name = QLatin1String(s.name);
                    if (s.kind == K::Memo)
                        f.kind = K::Memo;
                }
        f.known = true;
        fields.push_back(f);
    }
    return fields;
}

// --- PgStatement -------------------------------------------------------------

PgStatement::PgStatement(PgConnection& conn, const QString& engineSql)
    : conn_(&conn), engineSql_(engineSql) {
    postgres::RewrittenSql rewritten = postgres::rewrite(engineSql);
    if (!rewritten.insertTable.isEmpty()) {
        for (const FieldInfo& f : conn.tableFields(rewritten.insertTable))
            if (f.kind == schema::FieldKind::Counter) {
                rewritten.sql += QStringLiteral(" RETURNING ") + quoteIdentifier(f.name.toLower());
                returnsKey_ = true;
                break;
            }
    }
    sql_ = rewritten.sql.toUtf8();
    values_.resize(static_cast<size_t>(rewritten.parameterCount));
    pattern_.assign(static_cast<size_t>(rewritten.parameterCount), 0);
    for (const int p : rewritten.patternParams)
        if (p >= 1 && p <= rewritten.parameterCount)
            pattern_[static_cast<size_t>(p - 1)] = 1;
}

PgStatement::PgStatement(PgConnection& conn, const QString& sql, int parameters,
                         const QString& returningKey)
    : conn_(&conn), engineSql_(sql),
      sql_((returningKey.isEmpty() ? sql : sql + QStringLiteral(" RETURNING ") + returningKey)
               .toUtf8()),
      returnsKey_(!returningKey.isEmpty()) {
    values_.resize(static_cast<size_t>(parameters));
    pattern_.assign(static_cast<size_t>(parameters), 0);
}

PgStatement::~PgStatement() {
    conn_->settle();
    if (!preparedName_.isEmpty() && generation_ == conn_->generation() &&
        PQstatus(conn_->handle()) == CONNECTION_OK)
        PgResult(PQexec(conn_->handle(), "DEALLOCATE " + preparedName_));
}

void PgStatement::bind(int i, const QVariant& value) {
    if (conn_->pipeline().holds(this))
        dropRows(); // values for another run: the answer sent for is not needed
    if (i < 1 || i > static_cast<int>(values_.size()))
        throw EngineError(
            err::SyntaxError,
            QStringLiteral("The statement has no parameter %1 (%2).").arg(i).arg(engineSql_));
    auto& slot = values_[static_cast<size_t>(i - 1)];
    if (pattern_[static_cast<size_t>(i - 1)] && !isNull(value))
        slot = postgres::likeExpression(value.toString()).toUtf8();
    else
        slot = parameterText(value);
}

void PgStatement::prepareForRun() {
    ++runs_;
    conn_->ensureOpen();
    if (!preparedName_.isEmpty() && generation_ != conn_->generation())
        preparedName_.clear(); // prepared on a session that is gone
    if (preparedName_.isEmpty() && runs_ > 1) {
        // Run again: prepared once on the server and reused from now on.
        const QByteArray name = conn_->nextStatementName();
        const PgResult p(PQprepare(conn_->handle(), name.constData(), sql_.constData(),
                                   static_cast<int>(values_.size()), nullptr));
        if (PQresultStatus(p.get()) != PGRES_COMMAND_OK)
            conn_->raise(p.get(), engineSql_);
        preparedName_ = name;
        generation_ = conn_->generation();
    }
}

std::vector<const char*> PgStatement::parameterPointers() const {
    std::vector<const char*> pointers;
    for (const auto& v : values_)
        pointers.push_back(v ? v->constData() : nullptr);
    return pointers;
}

void PgStatement::execute() {
    prepareForRun();
    const std::vector<const char*> pointers = parameterPointers();
    const int n = static_cast<int>(values_.size());
    const PgConnection::Running running(*conn_);
    PgResult r(preparedName_.isEmpty() ? PQexecParams(conn_->handle(), sql_.constData(), n, nullptr,
                                                      pointers.data(), nullptr, nullptr, 0)
                                       : PQexecPrepared(conn_->handle(), preparedName_.constData(),
                                                        n, pointers.data(), nullptr, nullptr, 0));
    const ExecStatusType status = PQresultStatus(r.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        conn_->raise(r.get(), engineSql_);
    take(std::move(r));
}

void PgStatement::take(PgResult r) {
    result_ = std::move(r);
    row_ = -1;
    if (returnsKey_) {
        if (PQntuples(result_.get()) == 1)
            conn_->setLastKey(QByteArray(PQgetvalue(result_.get(), 0, 0)).toLongLong());
        row_ = PQntuples(result_.get()); // the key is no row of the statement's own
    }
}

// A statement that could not be sent is left to step(), which runs it and
// reports why.
void PgStatement::sendAhead() {
    dropRows();
    prepareForRun();
    const std::vector<const char*> pointers = parameterPointers();
    const int n = static_cast<int>(values_.size());
    pg_conn* const c = conn_->handle();
    conn_->pipeline().send(
        c, this, [this](PgResult r) { take(std::move(r)); },
        [&] {
            return preparedName_.isEmpty()
                       ? PQsendQueryParams(c, sql_.constData(), n, nullptr, pointers.data(),
                                           nullptr, nullptr, 0) != 0
                       : PQsendQueryPrepared(c, preparedName_.constData(), n, pointers.data(),
                                             nullptr, nullptr, 0) != 0;
        });
}

void PgStatement::receive() noexcept {
    if (conn_->pipeline().holds(this))
        conn_->settle();
}

void PgStatement::dropRows() {
    receive();
    result_.reset();
    row_ = -1;
}

bool PgStatement::step() {
    receive();
    if (!result_)
        execute();
    if (++row_ < PQntuples(result_.get()))
        return true;
    result_.reset();
    return false;
}

void PgStatement::reset() {
    dropRows();
    for (auto& v : values_)
        v.reset();
}

const pg_result* PgStatement::shape() const {
    conn_->settle();
    if (result_)
        return result_.get();
    if (!description_) {
        conn_->ensureOpen();
        const PgResult p(PQprepare(conn_->handle(), "", sql_.constData(),
                                   static_cast<int>(values_.size()), nullptr));
        if (PQresultStatus(p.get()) != PGRES_COMMAND_OK)
            conn_->raise(p.get(), engineSql_);
        PgResult described(PQdescribePrepared(conn_->handle(), ""));
        if (PQresultStatus(described.get()) != PGRES_COMMAND_OK)
            conn_->raise(described.get(), engineSql_);
        description_ = std::move(described);
    }
    return description_.get();
}

int PgStatement::columnCount() const {
    return PQnfields(shape());
}

QString PgStatement::columnName(int i) const {
    // The server folds names to lower case; the statement's own spelling
    // ("MaxID") is given back where the statement holds it.
    const QString folded = QString::fromUtf8(PQfname(shape(), i));
    static const QRegularExpression word(QStringLiteral("[A-Za-z_][A-Za-z0-9_]*"));
    for (auto it = word.globalMatch(engineSql_); it.hasNext();) {
        const QString w = it.next().captured();
        if (w.compare(folded, Qt::CaseInsensitive) == 0)
            return w;
    }
    return folded;
}

bool PgStatement::columnFromTable(int i) const {
    return PQftable(shape(), i) != InvalidOid;
}

FieldInfo PgStatement::columnField(int i) const {
    FieldInfo f;
    f.name = columnName(i);
    using K = schema::FieldKind;
    switch (PQftype(shape(), i)) {
    case Int2:
        f.kind = K::Integer;
        break;
    case Int4:
    case Int8:
        f.kind = K::Long;
        break;
    case Date:
    case Timestamp:
    case TimestampTz:
        f.kind = K::Date;
        break;
    case Text:
    case Varchar:
    case Bpchar:
        f.kind = K::Text;
        break;
    case Bytea:
        f.kind = K::Data;
        break;
    default:
        return f; // computed numbers and others: read by their text
    }
    f.known = true;
    return f;
}

bool PgStatement::columnIsNull(int i) const {
    return !result_ || row_ < 0 || PQgetisnull(result_.get(), row_, i);
}

qint64 PgStatement::columnInt(int i) const {
    return columnIsNull(i) ? 0 : QByteArray(PQgetvalue(result_.get(), row_, i)).toLongLong();
}

QVariant PgStatement::column(int i, schema::FieldKind kind, bool known) const {
    if (columnIsNull(i))
        return {};
    const char* raw = PQgetvalue(result_.get(), row_, i);
    const int bytes = PQgetlength(result_.get(), row_, i);
    const Oid type = PQftype(result_.get(), i);
    switch (type) {
    case Int2:
    case Int4:
    case Int8: {
        const qint64 n = QByteArray(raw, bytes).toLongLong();
        if (n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max())
            return QVariant(static_cast<int>(n));
        return QVariant(n);
    }
    case Float4:
    case Float8:
    case Numeric: {
        bool ok = false;
        const double d = QByteArray(raw, bytes).toDouble(&ok);
        if (ok && type == Numeric && d == static_cast<double>(static_cast<qint64>(d)) &&
            !QByteArray(raw, bytes).contains('.'))
            return QVariant(static_cast<qint64>(d));
        return ok ? QVariant(d) : QVariant(QString::fromUtf8(raw, bytes));
    }
    case Bool:
        return QVariant(raw[0] == 't' ? -1 : 0);
    case Date:
    case Timestamp:
    case TimestampTz:
        return dateFrom(QString::fromUtf8(raw, bytes));
    case Bytea:
        // Results come as text: bytea's hex form, "\x" and two digits a byte.
        if (bytes >= 2 && raw[0] == '\\' && raw[1] == 'x')
            return QByteArray::fromHex(QByteArray::fromRawData(raw + 2, bytes - 2));
        return QByteArray(raw, bytes);
    default:
        break;
    }
    const QString text = QString::fromUtf8(raw, bytes);
    if (known && kind == schema::FieldKind::Date)
        return dateFrom(text);
    return text;
}

} // namespace store
