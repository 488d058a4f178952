// Opening and re-running recordsets: choosing the mode for a source text
// (table name or statement), describing its columns, and reading its keys
// or rows. A single-table SELECT reads only the row ids of its result here;
// values are fetched as they are read (recordset.cpp). A query description
// (query.h) is always such a SELECT, written in the backend's own SQL; its
// keys may also be read alone (Database::readKeys), on any connection, and
// handed to a recordset opened later.

#include "dialect.h"
#include "query_sql.h"
#include "recordset.h"
#include "recordset_impl.h"

#include <QRegularExpression>

namespace store {

namespace {

using Mode = RecordsetImpl::Mode;

bool isTableName(const QString& source) {
    static const QRegularExpression name(
        QStringLiteral("^\\s*(\\[[^\\]]+\\]|\"[^\"]+\"|\\w+)\\s*$"));
    return name.match(source).hasMatch();
}

QString bareName(QString name) {
    name = name.trimmed();
    if (name.size() >= 2 && ((name.front() == '[' && name.back() == ']') ||
                             (name.front() == '"' && name.back() == '"')))
        name = name.mid(1, name.size() - 2);
    return name;
}

// Columns of a prepared statement, with kinds taken from the base table's
// declarations where a column is one of its fields.
void describeColumns(RecordsetImpl& d, const Statement& st,
                     const std::vector<FieldInfo>* tableFields) {
    d.fields.clear();
    d.writable.clear();
    d.counterField = -1;
    for (int i = 0; i < st.columnCount(); ++i) {
        FieldInfo f = st.columnField(i);
        bool inTable = false;
        if (tableFields && st.columnFromTable(i))
            for (const FieldInfo& t : *tableFields)
                if (t.name.compare(f.name, Qt::CaseInsensitive) == 0) {
                    f = t; // the table's own name, kind and width
                    inTable = true;
                }
        if (f.kind == schema::FieldKind::Counter && d.counterField < 0)
            d.counterField = i;
        d.fields.push_back(f);
        d.writable.push_back(inTable);
    }
}

void bindAll(Statement& st, const QVariantList& parameters) {
    for (qsizetype i = 0; i < parameters.size(); ++i)
        st.bind(static_cast<int>(i) + 1, parameters[i]);
}

std::vector<qint64> readKeyList(Statement& st, const QVariantList& parameters) {
    bindAll(st, parameters);
    std::vector<qint64> keys;
    while (st.step())
        keys.push_back(st.columnInt(0));
    return keys;
}

void loadKeys(RecordsetImpl& d) {
    const auto st = d.prepare(d.keysSql, static_cast<int>(d.parameters.size()));
    d.keys = readKeyList(*st, d.parameters);
}

/// The statement giving the keys of a description's rows in its order, in
/// the backend's own SQL, with its values.
struct KeyQuery {
    QString key; ///< the table's key column
    QString sql;
    QVariantList values;
};

KeyQuery keyQuery(Connection& c, const query::Select& q) {
    SqlWriter w(c, q.table);
    KeyQuery k;
    k.key = w.key();
    k.sql = w.select(q, k.key);
    k.values = w.values();
    return k;
}

void loadRows(RecordsetImpl& d, const QString& sql) {
    const auto st = d.conn->prepare(sql);
    bindAll(*st, d.parameters);
    describeColumns(d, *st, nullptr);
    std::vector<std::vector<QVariant>> rows;
    while (st->step()) {
        std::vector<QVariant> row;
        for (int i = 0; i < st->columnCount(); ++i)
            row.push_back(st->column(i, d.fields[static_cast<size_t>(i)].kind,
                                     d.fields[static_cast<size_t>(i)].known));
        rows.push_back(std::move(row));
    }
    d.rows = std::move(rows);
}

void openTable(RecordsetImpl& d, const QString& table) {
    const auto& fields = d.conn->tableFields(table);
    d.mode = Mode::Table;
    d.table = bareName(table);
    d.fields = fields;
    d.writable.assign(fields.size(), true);
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].kind == schema::FieldKind::Counter && d.counterField < 0)
            d.counterField = static_cast<int>(i);
    d.key = SqlWriter(*d.conn, d.table).key();
    d.indexField = d.key;
}

/// `tail` with the table's date fields compared and sorted as the dates
/// they hold, whatever form another program stored them in.
QString datesCompared(const RecordsetImpl& d, const std::vector<FieldInfo>& fields,
                      const QString& tail) {
    const QString pattern = d.conn->comparableDate(QStringLiteral("%1"));
    QStringList dates;
    for (const FieldInfo& f : fields)
        if (f.kind == schema::FieldKind::Date)
            dates << f.name;
    if (dates.isEmpty() || pattern == QLatin1String("%1"))
        return tail;
    return dialect::wrapNames(tail, dates, pattern);
}

/// True when the ORDER BY of a single-table SELECT names something of its
/// select list rather than of the table (an alias, a column's number): its
/// rows cannot be ordered by a query of their keys alone.
bool ordersBySelectList(const dialect::SelectShape& shape) {
    static const QRegularExpression orderBy(QStringLiteral("\\bORDER\\s+BY\\b(.*)$"),
                                            QRegularExpression::CaseInsensitiveOption |
                                                QRegularExpression::DotMatchesEverythingOption);
    const auto order = orderBy.match(shape.tail);
    if (!order.hasMatch())
        return false;
    const QString terms = order.captured(1);
    static const QRegularExpression ordinal(QStringLiteral("(^|,)\\s*\\d+\\b"));
    if (ordinal.match(terms).hasMatch())
        return true;
    static const QRegularExpression alias(
        QStringLiteral("\\bAS\\s+(?:\\[([^\\]]+)\\]|\"([^\"]+)\"|(\\w+))"),
        QRegularExpression::CaseInsensitiveOption);
    for (auto it = alias.globalMatch(shape.columns); it.hasNext();) {
        const auto m = it.next();
        const QString name = m.captured(1) + m.captured(2) + m.captured(3);
        const QRegularExpression named(
            QStringLiteral("(^|[^\\w])%1($|[^\\w])").arg(QRegularExpression::escape(name)),
            QRegularExpression::CaseInsensitiveOption);
        if (named.match(terms).hasMatch())
            return true;
    }
    return false;
}

void openQuery(RecordsetImpl& d, const QString& statement) {
    const QString sql = dialect::translate(statement);
    const auto shape = dialect::analyseSelect(sql);
    if (!shape || ordersBySelectList(*shape)) {
        d.mode = Mode::Rows;
        d.table.clear();
        loadRows(d, sql);
        return;
    }
    const auto& tableFields = d.conn->tableFields(shape->table);
    d.table = shape->table;
    d.key = d.conn->keyColumn(d.table);
    d.keysSql =
        QStringLiteral("SELECT %1 FROM %2%3")
            .arg(d.key, quoteIdentifier(d.table), datesCompared(d, tableFields, shape->tail));
    d.fetchSql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?1")
                     .arg(shape->columns, quoteIdentifier(d.table), d.key);
    d.fetch = d.conn->prepare(d.fetchSql);
    describeColumns(d, *d.fetch, &tableFields);
    loadKeys(d);
    d.mode = Mode::Keys;
}

/// A description: its keys in its order, its fields read by key, both in
/// the backend's own SQL. The keys are read here unless they are given.
void describe(RecordsetImpl& d, const query::Select& q,
              std::optional<std::vector<qint64>> keys = std::nullopt) {
    KeyQuery k = keyQuery(*d.conn, q);
    d.table = q.table;
    d.ownSql = true;
    d.key = k.key;
    d.keysSql = std::move(k.sql);
    d.parameters = std::move(k.values);
    SqlWriter fetch(*d.conn, q.table);
    d.fetchSql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4")
                     .arg(fetch.columns(q.fields), fetch.table(), d.key, d.conn->placeholder(1));
    d.source = fetch.select(q, fetch.columns(q.fields)); // as the backend runs it
    d.fetch = d.prepare(d.fetchSql, 1);
    describeColumns(d, *d.fetch, &d.conn->tableFields(q.table));
    if (keys)
        d.keys = std::move(*keys);
    else
        loadKeys(d);
    d.mode = Mode::Keys;
}

} // namespace

std::shared_ptr<Recordset> Database::openRecordset(const QString& source, RecordsetType type,
                                                   const QVariantList& parameters) const {
    auto d = std::make_unique<RecordsetImpl>();
    d->conn = connection();
    d->type = type;
    d->source = source;
    d->parameters = parameters;
    if (type == RecordsetType::Table) {
        if (!isTableName(source))
            throw EngineError(
                err::NotSupported,
                QStringLiteral("A table recordset needs a table name, not '%1'.").arg(source));
        openTable(*d, source);
    } else {
        openQuery(*d, isTableName(source) ? QStringLiteral("SELECT * FROM %1").arg(source.trimmed())
                                          : source);
    }
    if (d->table.size())
        d->lockTable = d->conn->lockTableNumber(d->table);
    auto rs = std::shared_ptr<Recordset>(new Recordset(std::move(d)));
    rs->moveFirst();
    return rs;
}

std::shared_ptr<Recordset> Database::openRecordset(const query::Select& q,
                                                   RecordsetType type) const {
    return openDescribed(q, type, std::nullopt);
}

std::shared_ptr<Recordset> Database::openRecordset(const query::Select& q, std::vector<qint64> keys,
                                                   RecordsetType type) const {
    return openDescribed(q, type, std::move(keys));
}

std::shared_ptr<Recordset> Database::openDescribed(const query::Select& q, RecordsetType type,
                                                   std::optional<std::vector<qint64>> keys) const {
    if (type == RecordsetType::Table)
        throw EngineError(err::NotSupported,
                          QStringLiteral("A table recordset needs a table name, not a query."));
    auto d = std::make_unique<RecordsetImpl>();
    d->conn = connection();
    d->type = type;
    describe(*d, q, std::move(keys));
    d->lockTable = d->conn->lockTableNumber(d->table);
    auto rs = std::shared_ptr<Recordset>(new Recordset(std::move(d)));
    rs->moveFirst();
    return rs;
}

std::vector<qint64> Database::readKeys(const query::Select& q, std::optional<int> limit) const {
    Connection& c = *connection();
    query::Select limited = q;
    if (limit)
        limited.limit = q.limit ? std::min(*q.limit, *limit) : *limit;
    const KeyQuery k = keyQuery(c, limited);
    return readKeyList(*c.prepareOwn(k.sql, static_cast<int>(k.values.size())), k.values);
}

void Recordset::requery() {
    if (!d->open)
        throw EngineError(err::ObjectClosed, QStringLiteral("The recordset is closed."));
    if (d->editMode != EditMode::None)
        cancelUpdate();
    d->forgetRows();
    d->deleted = false;
    d->noMatch = false;
    if (d->mode == Mode::Keys)
        loadKeys(*d);
    else if (d->mode == Mode::Rows)
        loadRows(*d, dialect::translate(isTableName(d->source)
                                            ? QStringLiteral("SELECT * FROM %1").arg(d->source)
                                            : d->source));
    emit rowsReset();
    moveFirst();
}

} // namespace store
