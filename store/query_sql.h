#pragma once
// The pieces of one table's statements in a backend's own SQL, written from
// query descriptions (query.h) through the connection's hooks: names
// resolved against the table's declared fields and escaped, each value a
// parameter, text fields compared letter case ignored, date fields compared
// as the dates they hold, Null ordered as SQLite orders it. Internal to the
// engine layer; Connection::render() writes a whole Select with it, the
// recordsets their key lists and row reads.

#include "connection.h"
#include "query.h"

#include <QVariantList>

namespace store {

class SqlWriter {
public:
    /// Raises err::TableNotFound for a table the register lacks; the
    /// parameters written are numbered after those in `values`.
    SqlWriter(Connection& c, const QString& table, QVariantList values = {});

    QString table() const;
    /// The table's counter field, the rows' identity.
    QString key() const;
    /// A field of the table; raises err::ItemNotFound for another name.
    QString column(const QString& field) const;
    /// A field as an index orders it (text letter case ignored, a date as
    /// stored), for walking the table in index order.
    QString sorted(const QString& field) const;
    /// The fields as a select list, "*" for none.
    QString columns(const QStringList& fields) const;
    /// A parameter holding `value`.
    QString param(const QVariant& value);
    /// The conditions joined by AND, for a WHERE of the caller's own;
    /// pattern conditions narrowed through the backend's text index unless
    /// `textIndex` is false (see query::Select::textIndex).
    QString terms(const std::vector<query::Condition>& conditions, bool textIndex = true);
    /// " WHERE ..." for the conditions, empty for none.
    QString where(const std::vector<query::Condition>& conditions, bool textIndex = true);
    /// " ORDER BY ..." for the terms, empty for none. Rows the terms hold
    /// equal follow in one fixed order, whatever plan the backend picks, so
    /// that the first rows read with a limit are the first of the whole
    /// list: the order goes on, in the direction of its last term, by the
    /// fields the index of a lone term orders by after it (where the
    /// backend's indexes order by what they carry) and then by the key, so
    /// that the same index still serves the whole order.
    QString orderBy(const std::vector<query::OrderTerm>& terms) const;
    /// The whole statement, its select list written as `columns`.
    QString select(const query::Select& q, const QString& columns);

    /// The values of the parameters written so far, in order.
    const QVariantList& values() const { return values_; }

private:
    const FieldInfo& field(const QString& name) const;
    /// The column as compared or sorted.
    QString compared(const FieldInfo& f) const;
    /// The terms of a FilesTextLike condition on `value` (see terms()).
    void filesText(const QVariant& value, bool textIndex, QStringList& out);
    /// The terms that follow `order` to make it total (see orderBy()).
    QStringList tieBreakers(const std::vector<query::OrderTerm>& order) const;

    Connection& c_;
    QString table_;
    const std::vector<FieldInfo>& fields_;
    QVariantList values_;
};

} // namespace store
