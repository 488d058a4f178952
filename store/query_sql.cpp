// Query descriptions written in a backend's own SQL (see query_sql.h).

#include "query_sql.h"

#include "engine_error.h"
#include "schema.h"

namespace store {

SqlWriter::SqlWriter(Connection& c, const QString& table, QVariantList values)
    : c_(c), table_(table), fields_(c.tableFields(table)), values_(std::move(values)) {}

QString SqlWriter::table() const {
    return c_.escapeIdentifier(table_);
}

QString SqlWriter::key() const {
    for (const FieldInfo& f : fields_)
        if (f.kind == schema::FieldKind::Counter)
            return c_.escapeIdentifier(f.name);
    return c_.keyColumn(table_); // a backend's own row identity, or refused
}

const FieldInfo& SqlWriter::field(const QString& name) const {
    for (const FieldInfo& f : fields_)
        if (f.name.compare(name, Qt::CaseInsensitive) == 0)
            return f;
    throw EngineError(err::ItemNotFound,
                      QStringLiteral("The field '%1' is not in the table '%2'.").arg(name, table_));
}

QString SqlWriter::column(const QString& name) const {
    return c_.escapeIdentifier(field(name).name);
}

QString SqlWriter::sorted(const QString& name) const {
    const FieldInfo& f = field(name);
    const QString col = c_.escapeIdentifier(f.name);
    return f.kind == schema::FieldKind::Text || f.kind == schema::FieldKind::Memo
               ? c_.textCompared(col)
               : col;
}

QString SqlWriter::columns(const QStringList& fields) const {
    if (fields.isEmpty())
        return QStringLiteral("*");
    QStringList out;
    for (const QString& f : fields)
        out << column(f);
    return out.join(QStringLiteral(", "));
}

QString SqlWriter::param(const QVariant& value) {
    values_.push_back(value);
    return c_.placeholder(static_cast<int>(values_.size()));
}

QString SqlWriter::compared(const FieldInfo& f) const {
    const QString col = c_.escapeIdentifier(f.name);
    switch (f.kind) {
    case schema::FieldKind::Date:
        return c_.comparableDate(col);
    case schema::FieldKind::Text:
    case schema::FieldKind::Memo:
        return c_.textCompared(col);
    default:
        return col;
    }
}

QString SqlWriter::where(const std::vector<query::Condition>& conditions, bool textIndex) {
    const QString joined = terms(conditions, textIndex);
    return joined.isEmpty() ? QString() : QStringLiteral(" WHERE ") + joined;
}

QString SqlWriter::terms(const std::vector<query::Condition>& conditions, bool textIndex) {
    using query::Op;
    QStringList out;
    for (const query::Condition& cond : conditions) {
        if (cond.op == Op::FilesTextLike) {
            filesText(cond.value, textIndex, out);
            continue;
        }
        const FieldInfo& f = field(cond.field);
        const bool text = f.kind == schema::FieldKind::Text || f.kind == schema::FieldKind::Memo;
        switch (cond.op) {
        case Op::IsNull:
            out << compared(f) + QStringLiteral(" IS NULL");
            break;
        case Op::Like:
        case Op::NotLike: {
            QVariant pattern = cond.value;
            const QString col = f.kind == schema::FieldKind::Date
                                    ? c_.comparableDate(c_.escapeIdentifier(f.name))
                                    : c_.escapeIdentifier(f.name);
            const QString mark = c_.placeholder(static_cast<int>(values_.size()) + 1);
            const QString match = c_.likeMatch(col, text, mark, pattern);
            out << (cond.op == Op::Like ? match : QStringLiteral("NOT (%1)").arg(match));
            values_.push_back(pattern);
            if (cond.op == Op::Like && text && textIndex) {
                QVariant bound;
                const QString narrowing = c_.likeNarrowing(
                    table_, f.name, key(), c_.placeholder(static_cast<int>(values_.size()) + 1),
                    cond.value, bound);
                if (!narrowing.isEmpty()) {
                    // Tested first: it is the cheaper of the two.
                    out.insert(out.size() - 1, narrowing);
                    values_.push_back(bound);
                }
            }
            break;
        }
        default: {
            static const char* const ops[] = {"=", "<>", "<", "<=", ">", ">="};
            out << QStringLiteral("%1 %2 %3")
                       .arg(compared(f), QLatin1String(ops[static_cast<int>(cond.op)]),
                            param(cond.value));
        }
        }
    }
    return out.join(u" AND ");
}

void SqlWriter::filesText(const QVariant& value, bool textIndex, QStringList& out) {
    if (table_.compare(QLatin1String("Documents"), Qt::CaseInsensitive) != 0)
        throw EngineError(
            err::NotSupported,
            QStringLiteral("Only documents hold files, not the table '%1'.").arg(table_));
    const auto name = [this](const char* n) { return c_.escapeIdentifier(QLatin1String(n)); };
    try {
        // Known to the register (else: a register of an earlier version,
        // which holds no files, opened by a user who may not add them).
        c_.tableFields(QStringLiteral("DocumentFiles"));
        c_.tableFields(QStringLiteral("FileContents"));
    } catch (const EngineError& e) {
        if (e.number() != err::TableNotFound)
            throw;
        out << QStringLiteral("1 = 0");
        return;
    }
    const QString record = name("RecordPtr");
    const QString content = name("ContentPtr");
    QVariant pattern = value;
    const QString mark = c_.placeholder(static_cast<int>(values_.size()) + 1);
    const QString match = c_.likeMatch(QStringLiteral("c.") + name("Text"), true, mark, pattern);
    values_.push_back(pattern);
    // A content held twice by one document counts once (EXISTS).
    const QString held =
        QStringLiteral("EXISTS (SELECT 1 FROM %1 f JOIN %2 c ON c.%3 = f.%3 WHERE f.%4 = %5.%4 "
                       "AND %6)")
            .arg(name("DocumentFiles"), name("FileContents"), content, record, table(), match);
    if (textIndex) {
        QVariant bound;
        const QString narrowing = c_.filesTextNarrowing(
            table() + QLatin1Char('.') + record,
            c_.placeholder(static_cast<int>(values_.size()) + 1), value, bound);
        if (!narrowing.isEmpty()) {
            // Tested first: it is the cheaper of the two.
            out << narrowing;
            values_.push_back(bound);
        }
    }
    out << held;
}

QStringList SqlWriter::tieBreakers(const std::vector<query::OrderTerm>& order) const {
    const FieldInfo* counter = nullptr;
    for (const FieldInfo& f : fields_)
        if (f.kind == schema::FieldKind::Counter)
            counter = &f;
    if (order.empty() || !counter)
        return {};
    for (const query::OrderTerm& t : order)
        if (field(t.field).name == counter->name)
            return {}; // the key decides already
    const QString direction = order.back().descending ? QStringLiteral(" DESC") : QString();
    QStringList out;
    const schema::Table* table = schema::findTable(table_);
    if (order.size() == 1 && table && c_.indexOrdersCarriedFields())
        for (const schema::Index& ix : table->indexes)
            if (ix.carried &&
                field(order.front().field)
                        .name.compare(QLatin1String(ix.field), Qt::CaseInsensitive) == 0)
                // As the index holds them: text in its column's collation,
                // a date as stored. Any fixed order of ties would do; this
                // one is the index's.
                for (const QString& carried : QString::fromLatin1(ix.carried).split(u','))
                    out << column(carried.trimmed()) + direction;
    // The key is never Null: it needs no placing of Nulls.
    out << c_.escapeIdentifier(counter->name) + direction;
    return out;
}

QString SqlWriter::orderBy(const std::vector<query::OrderTerm>& order) const {
    QStringList out;
    for (const query::OrderTerm& t : order)
        out << compared(field(t.field)) + (t.descending ? QStringLiteral(" DESC") : QString()) +
                   c_.nullsPlaced(t.descending);
    out << tieBreakers(order);
    return out.isEmpty() ? QString() : QStringLiteral(" ORDER BY ") + out.join(u", ");
}

QString SqlWriter::select(const query::Select& q, const QString& columns) {
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(columns, table());
    sql += where(q.conditions, q.textIndex);
    sql += orderBy(q.order);
    if (q.limit)
        sql += c_.limitClause(*q.limit);
    return sql;
}

QString Connection::render(const query::Select& q, QVariantList& values) {
    SqlWriter w(*this, q.table, values);
    const QString sql = w.select(q, w.columns(q.fields));
    values = w.values();
    return sql;
}

} // namespace store
