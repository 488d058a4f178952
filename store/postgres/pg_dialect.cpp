// The server's own SQL for query descriptions (connection.h, query_sql.h):
// parameters "$n", lower-case quoted names (the server register's tables
// and fields carry lower-case names), text compared and sorted in the
// case-blind collation register_text (pg_schema.h), desktop patterns
// translated as pg_pattern.h describes and bound as values, and Null
// placed where SQLite places it.

#include "../value.h"
#include "pg_connection.h"
#include "pg_pattern.h"

namespace store {

std::unique_ptr<Statement> PgConnection::prepareOwn(const QString& sql, int parameters) {
    return std::make_unique<PgStatement>(*this, sql, parameters);
}

std::unique_ptr<Statement> PgConnection::prepareInsert(const QString& table, const QString& sql,
                                                       int parameters) {
    // The server hands out the counter value; the statement returns it.
    for (const FieldInfo& f : tableFields(table))
        if (f.kind == schema::FieldKind::Counter)
            return std::make_unique<PgStatement>(*this, sql, parameters, escapeIdentifier(f.name));
    return prepareOwn(sql, parameters);
}

QString PgConnection::placeholder(int n) const {
    return QStringLiteral("$%1").arg(n);
}

QString PgConnection::escapeIdentifier(const QString& name) const {
    return quoteIdentifier(name.toLower());
}

QString PgConnection::textCompared(const QString& column) const {
    return column + QStringLiteral(" COLLATE register_text");
}

QString PgConnection::likeMatch(const QString& column, bool textField, const QString& param,
                                QVariant& pattern) const {
    // In the collation "C" the pattern's own letter cases decide what
    // matches, and the trigram indexes made on that expression serve it.
    const QString text = textField ? QStringLiteral("(%1 COLLATE \"C\")").arg(column)
                                   : QStringLiteral("(CAST(%1 AS text) COLLATE \"C\")").arg(column);
    if (isNull(pattern))
        return text + QStringLiteral(" ~ ") + param;
    if (const auto ilike = postgres::ilikePattern(pattern.toString())) {
        pattern = *ilike;
        return text + QStringLiteral(" ILIKE ") + param;
    }
    pattern = postgres::likeExpression(pattern.toString());
    return text + QStringLiteral(" ~ ") + param;
}

QString PgConnection::nullsPlaced(bool descending) const {
    return descending ? QStringLiteral(" NULLS LAST") : QStringLiteral(" NULLS FIRST");
}

} // namespace store
