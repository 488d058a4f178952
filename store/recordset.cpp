// Recordset operations over the three modes described in recordset_impl.h.
// Positioning, field access and changes are here; opening (which decides
// the mode) is at the end, in Database::openRecordset.

#include "recordset.h"

#include "dialect.h"
#include "query_sql.h"
#include "recordset_impl.h"
#include "text_match.h"

#include <algorithm>
#include <unordered_set>

namespace store {

namespace {

using Mode = RecordsetImpl::Mode;

constexpr size_t rowCacheLimit = 512;

[[noreturn]] void noCurrentRecord() {
    throw EngineError(err::NoCurrentRecord, QStringLiteral("No current record."));
}

int findColumn(const RecordsetImpl& d, const QString& name) {
    for (size_t i = 0; i < d.fields.size(); ++i)
        if (d.fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

int requireColumn(const RecordsetImpl& d, const QString& name) {
    const int i = findColumn(d, name);
    if (i < 0)
        throw EngineError(err::ItemNotFound,
                          QStringLiteral("The field '%1' is not in this recordset.").arg(name));
    return i;
}

void requireOpen(const RecordsetImpl& d) {
    if (!d.open)
        throw EngineError(err::ObjectClosed, QStringLiteral("The recordset is closed."));
}

void requireUpdatable(const RecordsetImpl& d) {
    requireOpen(d);
    if (d.type == RecordsetType::Snapshot || d.mode == Mode::Rows)
        throw EngineError(err::ReadOnly, QStringLiteral("This recordset is read-only."));
    d.conn->requireWritable();
}

std::vector<QVariant> readRow(const Statement& st, const std::vector<FieldInfo>& fields,
                              int first) {
    std::vector<QVariant> row;
    row.reserve(fields.size());
    for (size_t i = 0; i < fields.size(); ++i)
        row.push_back(st.column(first + static_cast<int>(i), fields[i].kind, fields[i].known));
    return row;
}

// Row values of a Keys-mode row, from the cache or fetched; nullopt when
// the row no longer exists.
std::optional<std::vector<QVariant>> fetchRow(RecordsetImpl& d, qint64 rowid, bool fresh = false) {
    if (fresh)
        d.dropBatchAhead();
    else if (auto it = d.cache.find(rowid); it != d.cache.end())
        return it->second;
    if (!d.fetch)
        d.fetch = d.prepare(d.fetchSql, 1);
    d.fetch->bind(1, QVariant(rowid));
    if (!d.fetch->step())
        return std::nullopt;
    auto row = readRow(*d.fetch, d.fields, 0);
    d.fetch->reset();
    if (d.cache.size() >= rowCacheLimit)
        d.cache.clear();
    d.cache[rowid] = row;
    return row;
}

bool hasCurrent(const RecordsetImpl& d) {
    if (d.deleted)
        return false;
    if (d.mode == Mode::Table)
        return !d.tBof && !d.tEof;
    return d.cur >= 0 && d.cur < d.count();
}

qint64 currentRowid(const RecordsetImpl& d) {
    if (d.mode == Mode::Table)
        return d.tRowid;
    return d.keys[static_cast<size_t>(d.cur)];
}

void releaseLock(RecordsetImpl& d) {
    if (d.locked) {
        d.conn->reservations().unlock(d.lockTable, d.editRowid);
        d.locked = false;
    }
}

void dropPending(RecordsetImpl& d) {
    releaseLock(d);
    d.editMode = EditMode::None;
    d.pending.clear();
    d.dirty.clear();
}

// --- table mode --------------------------------------------------------------

Statement& stepStatement(RecordsetImpl& d, const QString& where, int parameters, bool descending) {
    const QString dir =
        (descending ? QStringLiteral(" DESC") : QString()) + d.conn->nullsPlaced(descending);
    const QString sql =
        QStringLiteral("SELECT %5, * FROM %1%2 ORDER BY %3%4, %5%4")
            .arg(d.conn->escapeIdentifier(d.table), where.isEmpty() ? QString() : " WHERE " + where,
                 d.indexField, dir, d.key) +
        d.conn->limitClause(1);
    auto& slot = d.steps[sql];
    if (!slot)
        slot = d.conn->prepareOwn(sql, parameters);
    return *slot;
}

// Runs a prepared step query; on a row makes it current and returns true.
bool takeStep(RecordsetImpl& d, Statement& st) {
    const bool found = st.step();
    if (found) {
        d.tRowid = st.columnInt(0);
        d.tRow = readRow(st, d.fields, 1);
        d.tKey =
            d.indexColumn >= 0 ? d.tRow[static_cast<size_t>(d.indexColumn)] : QVariant(d.tRowid);
        d.tBof = d.tEof = false;
        d.deleted = false;
        st.reset();
    }
    return found;
}

bool tableEnd(RecordsetImpl& d, bool last) {
    Statement& st = stepStatement(d, {}, 0, last);
    const bool found = takeStep(d, st);
    if (!found) {
        d.tBof = d.tEof = true;
        d.deleted = false;
    }
    return found;
}

// One step from the current key in index order (ties broken by row id).
bool tableStep(RecordsetImpl& d, bool forward) {
    const QString& f = d.indexField;
    const QString p1 = d.conn->placeholder(1), p2 = d.conn->placeholder(2);
    const bool nullKey = isNull(d.tKey);
    QString where;
    if (forward)
        where = nullKey
                    ? QStringLiteral("(%1 IS NULL AND %2 > %3) OR %1 IS NOT NULL").arg(f, d.key, p1)
                    : QStringLiteral("(%1, %2) > (%3, %4)").arg(f, d.key, p1, p2);
    else
        where = nullKey ? QStringLiteral("%1 IS NULL AND %2 < %3").arg(f, d.key, p1)
                        : QStringLiteral("(%1, %2) < (%3, %4) OR %1 IS NULL").arg(f, d.key, p1, p2);
    Statement& st = stepStatement(d, where, nullKey ? 1 : 2, !forward);
    if (!nullKey)
        st.bind(1, d.tKey);
    st.bind(nullKey ? 1 : 2, QVariant(d.tRowid));
    const bool found = takeStep(d, st);
    if (!found) {
        st.reset();
        d.deleted = false;
        (forward ? d.tEof : d.tBof) = true;
        (forward ? d.tBof : d.tEof) = false;
    }
    return found;
}

QVariant indexKey(const RecordsetImpl& d, const QVariant& key) {
    if (d.indexColumn < 0)
        return QVariant(key.toLongLong());
    const FieldInfo& f = d.fields[static_cast<size_t>(d.indexColumn)];
    if (f.kind == schema::FieldKind::Counter)
        return QVariant(key.toLongLong());
    FieldInfo unlimited = f;
    unlimited.width = 0; // a seek key may be longer than the field
    return convertForField(unlimited, key);
}

// --- criteria ----------------------------------------------------------------

int compareValues(const QVariant& a, const QVariant& b) {
    const bool an = a.typeId() == QMetaType::Int || a.typeId() == QMetaType::LongLong ||
                    a.typeId() == QMetaType::Double;
    const bool bn = b.typeId() == QMetaType::Int || b.typeId() == QMetaType::LongLong ||
                    b.typeId() == QMetaType::Double;
    if (an && bn) {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : x > y ? 1 : 0;
    }
    if (a.typeId() == QMetaType::QDateTime && b.typeId() == QMetaType::QDateTime) {
        const auto x = a.toDateTime(), y = b.toDateTime();
        return x < y ? -1 : x > y ? 1 : 0;
    }
    return textmatch::compare(a.toString().toUtf8().toStdString(),
                              b.toString().toUtf8().toStdString());
}

bool meets(const std::vector<QVariant>& row, const std::vector<int>& cols,
           const std::vector<dialect::Condition>& conds) {
    for (size_t i = 0; i < conds.size(); ++i) {
        const QVariant& v = row[static_cast<size_t>(cols[i])];
        const auto& c = conds[i];
        if (isNull(v) || isNull(c.value))
            return false;
        if (c.op == QLatin1String("LIKE")) {
            if (!textmatch::like(c.value.toString().toUtf8().toStdString(),
                                 v.toString().toUtf8().toStdString()))
                return false;
            continue;
        }
        const int r = compareValues(v, c.value);
        const bool ok = c.op == "="    ? r == 0
                        : c.op == "<>" ? r != 0
                        : c.op == "<"  ? r < 0
                        : c.op == "<=" ? r <= 0
                        : c.op == ">"  ? r > 0
                                       : r >= 0;
        if (!ok)
            return false;
    }
    return true;
}

/// "`verb` FROM table WHERE key = ?1" in the backend's own SQL.
std::unique_ptr<Statement> rowByKey(RecordsetImpl& d, const QString& verb) {
    const SqlWriter w(*d.conn, d.table);
    return d.conn->prepareOwn(QStringLiteral("%1 FROM %2 WHERE %3 = %4")
                                  .arg(verb, w.table(), w.key(), d.conn->placeholder(1)),
                              1);
}

query::Op conditionOp(const QString& op) {
    using query::Op;
    static const std::pair<const char*, Op> ops[] = {
        {"=", Op::Equal},   {"<>", Op::NotEqual},     {"<", Op::Less},   {"<=", Op::LessEqual},
        {">", Op::Greater}, {">=", Op::GreaterEqual}, {"LIKE", Op::Like}};
    for (const auto& [text, value] : ops)
        if (op.compare(QLatin1String(text), Qt::CaseInsensitive) == 0)
            return value;
    throw EngineError(err::ExpressionError, QStringLiteral("Unknown operator '%1'.").arg(op));
}

// Row ids of the base table that meet the criterion.
std::unordered_set<qint64> matchingRowids(RecordsetImpl& d,
                                          const std::vector<dialect::Condition>& conds) {
    const auto& tableFields = d.conn->tableFields(d.table);
    query::Select q{d.table};
    for (const auto& c : conds) {
        if (std::none_of(tableFields.begin(), tableFields.end(), [&](const FieldInfo& f) {
                return f.name.compare(c.field, Qt::CaseInsensitive) == 0;
            }))
            throw EngineError(
                err::ItemNotFound,
                QStringLiteral("The field '%1' is not in this recordset.").arg(c.field));
        q.where({c.field, conditionOp(c.op), c.value});
    }
    SqlWriter w(*d.conn, d.table);
    const QString sql = w.select(q, w.key());
    const auto st = d.conn->prepareOwn(sql, static_cast<int>(w.values().size()));
    for (qsizetype i = 0; i < w.values().size(); ++i)
        st->bind(static_cast<int>(i) + 1, w.values()[i]);
    std::unordered_set<qint64> ids;
    while (st->step())
        ids.insert(st->columnInt(0));
    return ids;
}

} // namespace

// --- Recordset ---------------------------------------------------------------

Recordset::Recordset(std::unique_ptr<RecordsetImpl> impl) : d(std::move(impl)) {}

Recordset::~Recordset() {
    try {
        if (d)
            releaseLock(*d);
    } catch (const EngineError&) {
        // The descriptor's locks go when its Database closes.
    }
}

RecordsetType Recordset::type() const {
    return d->type;
}
QString Recordset::source() const {
    return d->source;
}
bool Recordset::isOpen() const {
    return d->open;
}
bool Recordset::noMatch() const {
    return d->noMatch;
}
EditMode Recordset::editMode() const {
    return d->editMode;
}

Database Recordset::database() const {
    return Database(d->conn);
}

bool Recordset::eof() const {
    requireOpen(*d);
    if (d->deleted)
        return false;
    if (d->mode == Mode::Table)
        return d->tEof;
    return d->count() == 0 || d->cur >= d->count();
}

bool Recordset::bof() const {
    requireOpen(*d);
    if (d->deleted)
        return false;
    if (d->mode == Mode::Table)
        return d->tBof;
    return d->count() == 0 || d->cur < 0;
}

void Recordset::moveFirst() {
    requireOpen(*d);
    dropPending(*d);
    if (d->mode == Mode::Table) {
        tableEnd(*d, false);
    } else {
        d->deleted = false;
        d->cur = d->count() > 0 ? 0 : -1;
    }
    emit currentChanged();
}

void Recordset::moveLast() {
    requireOpen(*d);
    dropPending(*d);
    if (d->mode == Mode::Table) {
        tableEnd(*d, true);
    } else {
        d->deleted = false;
        d->cur = d->count() - 1;
    }
    emit currentChanged();
}

void Recordset::moveNext() {
    requireOpen(*d);
    if (d->mode == Mode::Table) {
        if (d->tEof && !d->deleted)
            noCurrentRecord();
        dropPending(*d);
        if (d->tBof && !d->deleted)
            tableEnd(*d, false);
        else
            tableStep(*d, true);
    } else {
        if (d->deleted) {
            d->deleted = false; // the slot already holds the next row
        } else {
            if (eof())
                noCurrentRecord();
            ++d->cur;
        }
        dropPending(*d);
        if (d->cur >= d->count())
            d->cur = d->count();
    }
    emit currentChanged();
}

void Recordset::movePrevious() {
    requireOpen(*d);
    if (d->mode == Mode::Table) {
        if (d->tBof && !d->deleted)
            noCurrentRecord();
        dropPending(*d);
        if (d->tEof && !d->deleted)
            tableEnd(*d, true);
        else
            tableStep(*d, false);
    } else {
        if (!d->deleted && bof())
            noCurrentRecord();
        d->deleted = false;
        dropPending(*d);
        d->cur = std::max(-1, std::min(d->cur, d->count()) - 1);
    }
    emit currentChanged();
}

int Recordset::recordCount() const {
    requireOpen(*d);
    if (d->mode != Mode::Table)
        return d->count();
    const auto st = d->conn->prepareOwn(
        QStringLiteral("SELECT count(*) FROM %1").arg(SqlWriter(*d->conn, d->table).table()), 0);
    st->step();
    const int n = static_cast<int>(st->columnInt(0));
    st->reset();
    return n;
}

void Recordset::setIndex(const QString& name) {
    requireOpen(*d);
    if (d->mode != Mode::Table)
        throw EngineError(err::NotSupported,
                          QStringLiteral("Only a table recordset has an index."));
    const schema::Table* t = schema::findTable(d->table);
    const schema::Index* found = nullptr;
    if (t)
        for (const schema::Index& ix : t->indexes)
            if (name.compare(QLatin1String(ix.name), Qt::CaseInsensitive) == 0)
                found = &ix;
    if (!found)
        throw EngineError(err::IndexNotFound,
                          QStringLiteral("'%1' is not an index in this table.").arg(name));
    dropPending(*d);
    d->indexName = QLatin1String(found->name);
    d->indexColumn = findColumn(*d, QLatin1String(found->field));
    const bool byKey = d->indexColumn < 0 || d->fields[static_cast<size_t>(d->indexColumn)].kind ==
                                                 schema::FieldKind::Counter;
    d->indexField =
        byKey ? d->key : SqlWriter(*d->conn, d->table).sorted(QLatin1String(found->field));
    if (byKey)
        d->indexColumn = -1;
    d->steps.clear();
    tableEnd(*d, false);
    emit currentChanged();
}

QString Recordset::index() const {
    return d->indexName;
}

void Recordset::seek(const QString& comparison, const QVariant& key) {
    requireOpen(*d);
    if (d->mode != Mode::Table)
        throw EngineError(err::NotSupported, QStringLiteral("Seek needs a table recordset."));
    if (d->indexName.isEmpty())
        throw EngineError(err::NotSupported, QStringLiteral("Seek needs a current index."));
    const QString op = comparison.trimmed();
    static const QStringList ops{"=", ">", ">=", "<", "<="};
    if (!ops.contains(op))
        throw EngineError(err::SyntaxError,
                          QStringLiteral("'%1' is not a Seek comparison.").arg(comparison));
    dropPending(*d);
    const bool backwards = op.startsWith('<');
    Statement& st = stepStatement(
        *d, QStringLiteral("%1 %2 %3").arg(d->indexField, op, d->conn->placeholder(1)), 1,
        backwards);
    st.bind(1, indexKey(*d, key));
    d->noMatch = !takeStep(*d, st);
    if (d->noMatch)
        st.reset();
    emit currentChanged();
}

void Recordset::findFirst(const QString& criterion, const QVariantList& parameters) {
    requireOpen(*d);
    if (d->mode == Mode::Table)
        throw EngineError(err::NotSupported,
                          QStringLiteral("FindFirst needs a dynaset or a snapshot."));
    const auto conds = dialect::parseCriterion(criterion, parameters);
    int found = -1;
    if (d->mode == Mode::Rows) {
        std::vector<int> cols;
        for (const auto& c : conds)
            cols.push_back(requireColumn(*d, c.field));
        for (int i = 0; i < d->count() && found < 0; ++i)
            if (meets(d->rows[static_cast<size_t>(i)], cols, conds))
                found = i;
    } else {
        const bool byRowid =
            conds.size() == 1 && conds[0].op == "=" && d->counterField >= 0 &&
            conds[0].field.compare(d->fields[static_cast<size_t>(d->counterField)].name,
                                   Qt::CaseInsensitive) == 0;
        if (byRowid) {
            const qint64 id = conds[0].value.toLongLong();
            const auto it = std::find(d->keys.begin(), d->keys.end(), id);
            if (it != d->keys.end())
                found = static_cast<int>(it - d->keys.begin());
        } else {
            const auto ids = matchingRowids(*d, conds);
            for (size_t i = 0; i < d->keys.size() && found < 0; ++i)
                if (ids.count(d->keys[i]))
                    found = static_cast<int>(i);
        }
    }
    d->noMatch = found < 0;
    if (found >= 0) {
        dropPending(*d);
        d->deleted = false;
        d->cur = found;
        emit currentChanged();
    }
}

QStringList Recordset::fieldNames() const {
    QStringList names;
    for (const FieldInfo& f : d->fields)
        names << f.name;
    return names;
}

QVariant Recordset::field(const QString& name) const {
    requireOpen(*d);
    const int i = requireColumn(*d, name);
    const auto idx = static_cast<size_t>(i);
    if (d->editMode != EditMode::None)
        return d->pending[idx];
    if (!hasCurrent(*d))
        noCurrentRecord();
    switch (d->mode) {
    case Mode::Table:
        return d->tRow[idx];
    case Mode::Rows:
        return d->rows[static_cast<size_t>(d->cur)][idx];
    case Mode::Keys:
        break;
    }
    const qint64 rowid = d->keys[static_cast<size_t>(d->cur)];
    if (i == d->counterField)
        return QVariant(static_cast<int>(rowid));
    const auto row = fetchRow(*d, rowid);
    if (!row)
        throw EngineError(err::RecordDeleted,
                          QStringLiteral("The record was deleted by another user."));
    return (*row)[idx];
}

void Recordset::setField(const QString& name, const QVariant& value) {
    requireOpen(*d);
    if (d->editMode == EditMode::None)
        throw EngineError(err::UpdateWithoutEdit,
                          QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    const int i = requireColumn(*d, name);
    const auto idx = static_cast<size_t>(i);
    const FieldInfo& f = d->fields[idx];
    if (!d->writable[idx])
        throw EngineError(err::NotSupported,
                          QStringLiteral("The field '%1' cannot be changed.").arg(f.name));
    const QVariant stored = convertForField(f, value); // raises when it does not fit
    QVariant readBack = stored;
    if (f.kind == schema::FieldKind::Date && !isNull(stored))
        readBack = QVariant(dialect::fromStoredDate(stored.toString()));
    d->pending[idx] = readBack;
    d->dirty[idx] = true;
}

void Recordset::addNew() {
    requireUpdatable(*d);
    dropPending(*d);
    d->pending.assign(d->fields.size(), QVariant());
    d->dirty.assign(d->fields.size(), false);
    d->editMode = EditMode::Adding;
}

void Recordset::edit() {
    requireUpdatable(*d);
    if (!hasCurrent(*d))
        noCurrentRecord();
    dropPending(*d);
    const qint64 rowid = currentRowid(*d);
    if (!d->conn->reservations().tryLock(d->lockTable, rowid))
        throw EngineError(err::RecordLocked,
                          QStringLiteral("Couldn't update; currently locked by another user."));
    d->locked = true;
    d->editRowid = rowid;
    std::optional<std::vector<QVariant>> row;
    if (d->mode == Mode::Keys) {
        row = fetchRow(*d, rowid, true);
    } else {
        const auto st = rowByKey(*d, QStringLiteral("SELECT *"));
        st->bind(1, QVariant(rowid));
        if (st->step()) {
            row = readRow(*st, d->fields, 0);
            st->reset();
            d->tRow = *row;
        }
    }
    if (!row) {
        releaseLock(*d);
        throw EngineError(err::RecordDeleted,
                          QStringLiteral("The record was deleted by another user."));
    }
    d->pending = *row;
    d->dirty.assign(d->fields.size(), false);
    d->editMode = EditMode::Editing;
}

void Recordset::update() {
    requireOpen(*d);
    if (d->editMode == EditMode::None)
        throw EngineError(err::UpdateWithoutEdit,
                          QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    Connection& c = *d->conn;
    QStringList cols;
    std::vector<QVariant> values;
    for (size_t i = 0; i < d->fields.size(); ++i)
        if (d->dirty[i]) {
            cols << c.escapeIdentifier(d->fields[i].name);
            values.push_back(convertForField(d->fields[i], d->pending[i]));
        }
    const bool adding = d->editMode == EditMode::Adding;
    if (!adding && cols.isEmpty()) {
        dropPending(*d);
        return;
    }
    const SqlWriter names(c, d->table);
    QString sql;
    if (adding) {
        QStringList marks;
        for (int i = 1; i <= cols.size(); ++i)
            marks << c.placeholder(i);
        sql = cols.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(names.table())
                             : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                   .arg(names.table(), cols.join(", "), marks.join(", "));
    } else {
        QStringList sets;
        for (int i = 0; i < cols.size(); ++i)
            sets << QStringLiteral("%1 = %2").arg(cols[i], c.placeholder(i + 1));
        sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3 = %4")
                  .arg(names.table(), sets.join(", "), names.key(),
                       c.placeholder(static_cast<int>(cols.size()) + 1));
    }
    qint64 rowid = d->editRowid;
    {
        WriteScope w(c);
        auto& cached = d->writes[sql]; // a bulk of AddNew/Update prepares once
        const int parameters = static_cast<int>(values.size()) + (adding ? 0 : 1);
        if (!cached)
            cached =
                adding ? c.prepareInsert(d->table, sql, parameters) : c.prepareOwn(sql, parameters);
        Statement& st = *cached;
        st.reset();
        for (size_t i = 0; i < values.size(); ++i)
            st.bind(static_cast<int>(i) + 1, values[i]);
        if (!adding)
            st.bind(static_cast<int>(values.size()) + 1, QVariant(rowid));
        st.step();
        if (adding)
            rowid = d->conn->lastInsertKey();
        w.commit();
    }
    dropPending(*d);
    d->lastModified = rowid;
    d->forgetRow(rowid);
    if (adding && d->mode == Mode::Keys) {
        d->keys.push_back(rowid);
        emit rowsReset();
    } else if (!adding && d->mode == Mode::Table && hasCurrent(*d) && d->tRowid == rowid) {
        const auto st = rowByKey(*d, QStringLiteral("SELECT *"));
        st->bind(1, QVariant(rowid));
        if (st->step()) {
            d->tRow = readRow(*st, d->fields, 0);
            st->reset();
        }
    }
    emit currentChanged();
}

qint64 Recordset::lastModified() const {
    return d->lastModified;
}

std::optional<RowHolder> Recordset::holderOfCurrent() const {
    requireOpen(*d);
    if (!hasCurrent(*d) || d->table.isEmpty())
        return std::nullopt;
    return d->conn->reservations().holderOf(d->lockTable, currentRowid(*d));
}

void Recordset::cancelUpdate() {
    requireOpen(*d);
    if (d->editMode == EditMode::None)
        throw EngineError(err::UpdateWithoutEdit,
                          QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    dropPending(*d);
}

void Recordset::deleteCurrent() {
    requireUpdatable(*d);
    if (!hasCurrent(*d))
        noCurrentRecord();
    dropPending(*d);
    const qint64 rowid = currentRowid(*d);
    if (!d->conn->reservations().tryLock(d->lockTable, rowid))
        throw EngineError(err::RecordLocked,
                          QStringLiteral("Couldn't delete; currently locked by another user."));
    struct Unlock {
        RowReservations& l;
        int t;
        qint64 r;
        ~Unlock() {
            try {
                l.unlock(t, r);
            } catch (const EngineError&) {
                // released when the Database closes
            }
        }
    } unlock{d->conn->reservations(), d->lockTable, rowid};
    {
        WriteScope w(*d->conn);
        const auto st = rowByKey(*d, QStringLiteral("DELETE"));
        st->bind(1, QVariant(rowid));
        st->step();
        w.commit();
    }
    d->forgetRow(rowid);
    d->deleted = true;
    if (d->mode == Mode::Keys) {
        d->keys.erase(d->keys.begin() + d->cur);
        emit rowsReset();
    }
    emit currentChanged();
}

void Recordset::close() {
    if (!d->open)
        return;
    dropPending(*d);
    d->open = false;
    d->keys.clear();
    d->rows.clear();
    d->forgetRows();
    d->fetch.reset();
    d->batchFetch.reset();
    d->steps.clear();
    d->writes.clear();
}

int Recordset::rowCount() const {
    requireOpen(*d);
    return d->mode == Mode::Table ? recordCount() : d->count();
}

int Recordset::absolutePosition() const {
    if (!d->open || d->mode == Mode::Table || !hasCurrent(*d))
        return -1;
    return d->cur;
}

void Recordset::setAbsolutePosition(int row) {
    requireOpen(*d);
    if (d->mode == Mode::Table || row < 0 || row >= d->count())
        noCurrentRecord();
    if (row == d->cur && !d->deleted)
        return;
    dropPending(*d);
    d->deleted = false;
    d->cur = row;
    emit currentChanged();
}

QVariant Recordset::valueAt(int row, const QString& name) const {
    requireOpen(*d);
    if (d->mode == Mode::Table || row < 0 || row >= d->count())
        return {};
    const int i = requireColumn(*d, name);
    if (d->mode == Mode::Rows)
        return d->rows[static_cast<size_t>(row)][static_cast<size_t>(i)];
    const qint64 rowid = d->keys[static_cast<size_t>(row)];
    if (i == d->counterField)
        return QVariant(static_cast<int>(rowid));
    const auto values = fetchRow(*d, rowid);
    return values ? (*values)[static_cast<size_t>(i)] : QVariant();
}

qint64 Recordset::keyAt(int row) const {
    requireOpen(*d);
    if (d->mode == Mode::Table || row < 0 || row >= d->count())
        return 0;
    if (d->mode == Mode::Keys)
        return d->keys[static_cast<size_t>(row)];
    if (d->counterField < 0)
        return 0;
    const QVariant& key = d->rows[static_cast<size_t>(row)][static_cast<size_t>(d->counterField)];
    return isNull(key) ? 0 : key.toLongLong();
}

// One statement for a batch of keys: "... WHERE key IN (?1, ..., ?N)" with N
// fixed, a short batch repeating its last key, so that one prepared
// statement serves every batch. The rows come back in any order and the
// counter column tells them apart; without it each row is left to its own
// read. A row not returned (deleted since) is read alone by valueAt().
namespace {

Statement& batchStatement(RecordsetImpl& d) {
    if (!d.batchFetch) {
        QStringList marks;
        for (int n = 1; n <= Recordset::PrefetchRows; ++n)
            marks << d.mark(n);
        const QString byKey = QStringLiteral(" = ") + d.mark(1);
        Q_ASSERT(d.fetchSql.endsWith(byKey));
        d.batchFetch = d.prepare(d.fetchSql.chopped(byKey.size()) +
                                     QStringLiteral(" IN (%1)").arg(marks.join(u", ")),
                                 Recordset::PrefetchRows);
    }
    return *d.batchFetch;
}

/// The keys of rows [begin, end) that are not in the cache.
std::vector<qint64> keysToRead(const RecordsetImpl& d, int begin, int end) {
    std::vector<qint64> missing;
    for (int row = std::max(begin, 0); row < std::min(end, d.count()); ++row)
        if (const qint64 key = d.keys[static_cast<size_t>(row)]; !d.cache.contains(key))
            missing.push_back(key);
    return missing;
}

void bindBatch(Statement& st, const std::vector<qint64>& keys) {
    for (int n = 0; n < Recordset::PrefetchRows; ++n)
        st.bind(n + 1, QVariant(keys[std::min(static_cast<size_t>(n), keys.size() - 1)]));
}

/// The rows the batch statement answers, into the cache.
void readBatch(RecordsetImpl& d, Statement& st) {
    if (d.cache.size() + Recordset::PrefetchRows > rowCacheLimit)
        d.cache.clear();
    while (st.step()) {
        auto row = readRow(st, d.fields, 0);
        const qint64 key = row[static_cast<size_t>(d.counterField)].toLongLong();
        d.cache[key] = std::move(row);
    }
    st.reset();
}

} // namespace

// The batch after the one asked for is sent ahead, so that on a server it
// is read while the caller works through this one; the next call takes its
// rows, whichever rows it asks for.
void Recordset::prefetch(int first, int count) const {
    static_assert(static_cast<size_t>(PrefetchRows) * 2 <= rowCacheLimit);
    if (!d->open || d->mode != Mode::Keys || d->counterField < 0)
        return;
    Statement& st = batchStatement(*d);
    if (d->batchAhead) {
        d->batchAhead = false;
        readBatch(*d, st);
    }
    const int begin = std::max(first, 0);
    const int end = begin + std::clamp(count, 0, PrefetchRows);
    if (const auto missing = keysToRead(*d, begin, end); !missing.empty()) {
        bindBatch(st, missing);
        readBatch(*d, st);
    }
    if (const auto next = keysToRead(*d, end, end + PrefetchRows); !next.empty()) {
        bindBatch(st, next);
        st.sendAhead();
        d->batchAhead = true;
    }
}

} // namespace store
